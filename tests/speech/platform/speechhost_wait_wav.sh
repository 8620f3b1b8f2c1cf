#!/usr/bin/env bash
# speechhost's wait returns only once the speech has been played in full: a run that
# ends right after wait leaves the whole text in its WAV file, and a run that changes
# voice in between keeps both texts in one file, the first one first.
# Usage: speechhost_wait_wav.sh SPEECHHOST sapi5|sapi4
set -u
host=$1 layer=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL ($layer): $*"; exit 1; }
# Seconds and RMS level (0..1) of a 16-bit mono 22050 Hz WAV file with a 44-byte header.
seconds() { awk -v b="$(stat -c %s "$1")" 'BEGIN { print (b - 44) / 44100 }'; }
rms() { od -An -v -t d2 -j 44 "$1" | awk '{ for (i = 1; i <= NF; i++) { s += $i * $i; n++ } }
  END { print n ? sqrt(s / n) / 32768 : 0 }'; }
above() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a > b) }'; }
run() {
  local wav=$1
  shift
  SPEECH_PLATFORM=$layer SPEECH_AUDIO=wav:$wav timeout 20 "$host" "$@" >"$dir/out" 2>&1 ||
    fail "speechhost failed: $(cat "$dir/out")"
}

text='voiceSpeak("Dit is een test.")'
run "$dir/one.wav" "$text" wait
[ -s "$dir/one.wav" ] || fail "no WAV file after wait"
one=$(seconds "$dir/one.wav")
above "$one" 0.6 || fail "only $one s of sound"
level=$(rms "$dir/one.wav")
above "$level" 0.02 || fail "RMS $level: silence"

run "$dir/two.wav" "$text" wait 'voiceSet(2)' "$text" wait
two=$(seconds "$dir/two.wav")
above "$two" "$(awk -v l="$one" 'BEGIN { print l + 0.6 }')" || fail "both texts: $two s, one text: $one s"
bytes=$(( $(stat -c %s "$dir/one.wav") - 44 ))
cmp -s -i 44 -n "$bytes" "$dir/one.wav" "$dir/two.wav" || fail "the first text is not at the start of the file"
echo "ok ($layer): one text $one s, RMS $level; two texts $two s"
