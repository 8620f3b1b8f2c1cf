#!/usr/bin/env bash
# Drives speechhost through the real speech layers with the null sink (paced in real
# time): speak, state, growing word position, pause/resume, stop, voice list.
# speechhost reads its lines from a pipe, so a line can use an earlier answer, and
# until lines wait for a state or position instead of guessing how long it takes.
# Usage: speechhost_end_to_end.sh SPEECHHOST sapi5|sapi4
set -u
shopt -s extglob
host=$1 layer=$2
dir=$(mktemp -d) pid=
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$dir"' EXIT
log=()
fail() { echo "FAIL ($layer): $*"; echo "lines and answers:"; printf '  %s\n' "${log[@]}"; exit 1; }

mkfifo "$dir/in" "$dir/out"
SPEECH_PLATFORM=$layer SPEECH_AUDIO=null "$host" --wait-limit 20000 <"$dir/in" >"$dir/out" 2>&1 &
pid=$!
exec 3>"$dir/in" 4<"$dir/out"
# A line without an answer, and a line whose answer (or diagnostic) lands in $answer.
send() { printf '%s\n' "$1" >&3; log+=("$1"); }
ask() {
  printf '%s\n' "$1" >&3
  IFS= read -r -t 60 answer <&4 || fail "no answer to $1"
  log+=("$1 -> $answer")
}
# A line whose answer must be exactly this.
expect() { ask "$1"; [ "$answer" = "$2" ] || fail "$3: $answer"; }
# A line whose answer is a word position.
position() { ask "$1"; [[ "$answer" =~ ^[0-9]+$ ]] || fail "not a word position: $answer"; }

ask 'voiceCount()'
[ "$answer" -ge 2 ] 2>/dev/null || fail "voiceCount $answer"
ask 'voiceGetAll()'
[[ "$answer" == *'#gender: "Female"'* && "$answer" == *'#gender: "Male"'* ]] || fail "voice list"
# The first twelve voices, byte for byte as they have always been listed; more may follow.
senior=Senior; [ "$layer" = sapi4 ] && senior=Elderly
first12='[[#name: "Dutch Male", #age: "Adult", #gender: "Male", #index: 1], [#name: "Dutch Female", #age: "Adult", #gender: "Female", #index: 2], [#name: "Dutch Senior Male", #age: "'$senior'", #gender: "Male", #index: 3], [#name: "Dutch Senior Female", #age: "'$senior'", #gender: "Female", #index: 4], [#name: "English (Great Britain) Male", #age: "Adult", #gender: "Male", #index: 5], [#name: "English (Great Britain) Female", #age: "Adult", #gender: "Female", #index: 6], [#name: "English (America) Male", #age: "Adult", #gender: "Male", #index: 7], [#name: "English (America) Female", #age: "Adult", #gender: "Female", #index: 8], [#name: "German Male", #age: "Adult", #gender: "Male", #index: 9], [#name: "German Female", #age: "Adult", #gender: "Female", #index: 10], [#name: "French Male", #age: "Adult", #gender: "Male", #index: 11], [#name: "French Female", #age: "Adult", #gender: "Female", #index: 12]'
[[ "$answer" == "$first12"@(]|, \[*) ]] || fail "the first twelve voices changed"

# Twenty words, some five seconds: a stall of the machine still leaves words to pause in.
expect 'voiceSpeak("Een twee drie vier vijf zes zeven acht negen tien elf twaalf dertien veertien vijftien zestien zeventien achttien negentien twintig.")' 1 "voiceSpeak answered"
expect 'until voiceState() = #playing' "#playing" "state after speak"
position 'until voiceWordPos() >= 2'; first=$answer
[ "$first" -ge 2 ] || fail "word position $first"
position "until voiceWordPos() > $first"; grown=$answer
[ "$grown" -gt "$first" ] || fail "word position did not grow: $first -> $grown"

# Pause halts the audio thread between chunks and word events come from that thread, so
# after voicePause answers at most the one event already on its way can land. Playing on,
# a second of paced audio would bring several words.
expect 'voicePause()' 1 "voicePause answered"
expect 'voiceState()' "#paused" "state after pause"
position 'voiceWordPos()'; atPause=$answer
[ "$atPause" -ge "$grown" ] || fail "word position went back: $grown -> $atPause"
send 'sleep 1000'
position 'voiceWordPos()'; later=$answer
[ "$later" -ge "$atPause" ] && [ "$later" -le $((atPause + 1)) ] || fail "words went on while paused: $atPause -> $later"
expect 'voiceState()' "#paused" "state a second into the pause"

expect 'voiceResume()' 1 "voiceResume answered"
expect 'voiceState()' "#playing" "state after resume"
position "until voiceWordPos() > $later"
[ "$answer" -gt "$later" ] || fail "word position did not grow after resume: $later -> $answer"

expect 'voiceStop()' 1 "voiceStop answered"
expect 'until voiceState() = #stopped' "#stopped" "state after stop"
expect 'voiceWordPos()' 0 "word position after stop"

# End of input: speechhost unloads the plug-in and says nothing more.
exec 3>&-
while IFS= read -r -t 60 line <&4; do log+=("after the last line: $line"); fail "unexpected output: $line"; done
wait "$pid"; code=$? pid=
[ "$code" = 0 ] || fail "speechhost ended with $code"
echo "ok ($layer): word positions $first -> $grown, paused at $atPause ($later a second later)"
