#!/usr/bin/env bash
# Without the synthesizer's data no layer offers speech: every method answers 0 (the
# load is tried again at each call), nothing is queued, and standard error says why in
# exactly one line.
# Usage: speechhost_no_synthesizer.sh SPEECHHOST sapi5|sapi4|sapi5,sapi4
set -u
host=$1 layer=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL ($layer): $*"; exit 1; }
SPEECH_PLATFORM=$layer SPEECH_AUDIO=null ESPEAK_DATA_PATH=$dir timeout 20 "$host" \
  'voiceInitialize()' 'voiceSpeak("een twee drie")' 'voiceState()' 'voiceCount()' 'voiceGetAll()' \
  'voiceSet(2)' 'voiceInitialize()' >"$dir/out" 2>"$dir/err" || fail "speechhost failed: $(cat "$dir/out" "$dir/err")"
[ "$(tr '\n' ' ' <"$dir/out")" = "0 0 0 0 0 0 0 " ] || fail "answers: $(tr '\n' ' ' <"$dir/out")"
[ "$(wc -l <"$dir/err")" -eq 1 ] || fail "standard error: $(cat "$dir/err")"
grep -q "^speech: the synthesizer cannot start, so there is no speech (.*$dir/phontab.*)\$" "$dir/err" ||
  fail "standard error: $(cat "$dir/err")"
echo "ok ($layer): no speech, one line on standard error"
