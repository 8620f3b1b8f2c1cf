#!/usr/bin/env bash
# Drives speechhost through the real speech layers with the null sink (paced in real
# time): speak, state, growing word position, pause/resume, stop, voice list.
# Usage: speechhost_end_to_end.sh SPEECHHOST sapi5|sapi4
set -u
shopt -s extglob
host=$1 layer=$2
fail() { echo "FAIL ($layer): $*"; echo "output was:"; printf '  %s\n' "${out[@]}"; exit 1; }

mapfile -t out < <(SPEECH_PLATFORM=$layer SPEECH_AUDIO=null timeout 20 "$host" \
  'voiceCount()' 'voiceGetAll()' \
  'voiceSpeak("Een twee drie vier vijf zes zeven acht negen tien.")' 'sleep 150' 'voiceState()' \
  'sleep 600' 'voiceWordPos()' 'sleep 700' 'voiceWordPos()' \
  'voicePause()' 'voiceState()' 'sleep 300' 'voiceWordPos()' \
  'voiceResume()' 'voiceState()' 'voiceStop()' 'sleep 100' 'voiceState()' 'voiceWordPos()' 2>&1)
[ "${#out[@]}" -eq 14 ] || fail "expected 14 answers, got ${#out[@]}"
[ "${out[0]}" -ge 2 ] 2>/dev/null || fail "voiceCount ${out[0]}"
[[ "${out[1]}" == *'#gender: "Female"'* && "${out[1]}" == *'#gender: "Male"'* ]] || fail "voice list"
# The first twelve voices, byte for byte as they have always been listed; more may follow.
senior=Senior; [ "$layer" = sapi4 ] && senior=Elderly
first12='[[#name: "Dutch Male", #age: "Adult", #gender: "Male", #index: 1], [#name: "Dutch Female", #age: "Adult", #gender: "Female", #index: 2], [#name: "Dutch Senior Male", #age: "'$senior'", #gender: "Male", #index: 3], [#name: "Dutch Senior Female", #age: "'$senior'", #gender: "Female", #index: 4], [#name: "English (Great Britain) Male", #age: "Adult", #gender: "Male", #index: 5], [#name: "English (Great Britain) Female", #age: "Adult", #gender: "Female", #index: 6], [#name: "English (America) Male", #age: "Adult", #gender: "Male", #index: 7], [#name: "English (America) Female", #age: "Adult", #gender: "Female", #index: 8], [#name: "German Male", #age: "Adult", #gender: "Male", #index: 9], [#name: "German Female", #age: "Adult", #gender: "Female", #index: 10], [#name: "French Male", #age: "Adult", #gender: "Male", #index: 11], [#name: "French Female", #age: "Adult", #gender: "Female", #index: 12]'
[[ "${out[1]}" == "$first12"@(]|, \[*) ]] || fail "the first twelve voices changed"
[ "${out[2]}" = 1 ] || fail "voiceSpeak answered ${out[2]}"
[ "${out[3]}" = "#playing" ] || fail "state after speak ${out[3]}"
[ "${out[4]}" -ge 1 ] 2>/dev/null || fail "word position ${out[4]}"
[ "${out[5]}" -gt "${out[4]}" ] 2>/dev/null || fail "word position did not grow: ${out[4]} -> ${out[5]}"
[ "${out[6]}" = 1 ] || fail "voicePause answered ${out[6]}"
[ "${out[7]}" = "#paused" ] || fail "state after pause ${out[7]}"
[ "${out[8]}" = "${out[5]}" ] || fail "words went on while paused: ${out[5]} -> ${out[8]}"
[ "${out[9]}" = 1 ] || fail "voiceResume answered ${out[9]}"
[ "${out[10]}" = "#playing" ] || fail "state after resume ${out[10]}"
[ "${out[11]}" = 1 ] || fail "voiceStop answered ${out[11]}"
[ "${out[12]}" = "#stopped" ] || fail "state after stop ${out[12]}"
[ "${out[13]}" = 0 ] || fail "word position after stop ${out[13]}"
echo "ok ($layer): ${out[0]} voices, word positions ${out[4]} -> ${out[5]}"
