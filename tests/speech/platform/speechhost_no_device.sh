#!/usr/bin/env bash
# With the null or WAV output, speaking never opens or probes a sound device (no sound
# server connection, no ALSA configuration or device file) and prints nothing on
# standard error, also for a user the sound server does not know.
# Usage: speechhost_no_device.sh SPEECHHOST sapi5|sapi4
# Exits 77 (skipped) when it runs as root and the user nobody cannot run the copied host.
set -u
host=$1 layer=$2
as=()
if [ "$(id -u)" -eq 0 ]; then # as another user, where the sound server would refuse and complain
  # The build tree may sit in a private folder: nobody runs a copy in a folder of its own.
  dir=$(mktemp -d -p /tmp)
  trap 'rm -rf "$dir"' EXIT
  chmod 777 "$dir"
  install -m 755 "$host" "$(dirname "$host")/Speech.so" "$dir"/
  host=$dir/$(basename "$host")
  as=(setpriv --reuid=nobody --regid=nogroup --clear-groups env HOME=/nonexistent)
  if ! "${as[@]}" test -x "$host"; then
    echo "skipped: the user nobody cannot run $host"
    exit 77
  fi
else
  dir=$(mktemp -d)
  trap 'rm -rf "$dir"' EXIT
fi
fail() { echo "FAIL ($layer, $audio): $*"; exit 1; }
# The leak checker of a sanitizer build cannot stop the world under a tracer.
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0
for audio in null "wav:$dir/out.wav"; do
  SPEECH_PLATFORM=$layer SPEECH_AUDIO=$audio timeout 20 strace -f -qq -e trace=open,openat,connect \
    -o "$dir/trace" "${as[@]}" "$host" 'voiceSpeak("een twee drie")' wait 'voiceState()' \
    >"$dir/out" 2>"$dir/err" || fail "speechhost failed: $(cat "$dir/out" "$dir/err")"
  [ "$(tr '\n' ' ' <"$dir/out")" = "1 #stopped " ] || fail "answers: $(cat "$dir/out")"
  [ ! -s "$dir/err" ] || fail "standard error: $(cat "$dir/err")"
  device=$(grep -E '/dev/snd|/dev/dsp|/etc/pulse|pulse/native|\.config/pulse|/share/alsa|asound\.conf' "$dir/trace")
  [ -z "$device" ] || fail "sound device probed: $(head -3 <<<"$device")"
done
echo "ok ($layer): no sound device touched"
