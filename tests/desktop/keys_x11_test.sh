#!/usr/bin/env bash
# Keys as an X server delivers them: the main window has the keyboard focus and the keys are
# typed through XTEST, and the room hears what the labels' clicks announce. Space plays, a
# pause is no stop (S then does nothing), Space resumes, S stops, R mixes once.
# usage: keys_x11_test.sh RAVELIN MAKE_DEMO_TRACKS   (run on an X server of its own)
set -euo pipefail
ravelin=$1 make_tracks=$2
command -v xdotool >/dev/null || { echo "xdotool is not installed: skipped"; exit 77; }
work=$(mktemp -d); trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
"$make_tracks" "$work/tracks" >/dev/null
mkdir "$work/home"
printf '[ravelin]\r\nDIRECTORY=%s\r\n' "$work/tracks" > "$work/home/mp3.oca"
printf 'answer DJ\nclick Form1.File1 0\nwait 60\n' > "$work/run.script"
export QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=dummy XDG_RUNTIME_DIR=$work
"$ravelin" --home "$work/home" --new-instance --script "$work/run.script" > "$work/room.txt" 2> "$work/err.txt" &
fail() { echo "FAIL: $*"; echo "--- room"; cat "$work/room.txt"; echo "--- stderr"; cat "$work/err.txt"; exit 1; }
window=
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --name '^Ravelin By Vosk$' 2>/dev/null | head -1) && [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || fail "the main window did not appear"
for _ in $(seq 50); do grep -q 'Vade3r' "$work/room.txt" && break; sleep 0.1; done
sleep 0.3  # the script selects the first entry
xdotool windowfocus --sync "$window"
count() { grep -c -- "$1" "$work/room.txt" || true; }
# Types KEY, then waits until the room has heard each pattern the given number of times, and
# a little longer to see that nothing more comes.
type_key() {
  local key=$1; shift
  xdotool key --window "$window" --clearmodifiers "$key"
  local pattern want ok
  for _ in $(seq 40); do
    ok=1
    for spec in "$@"; do pattern=${spec%=*} want=${spec##*=}
      [ "$(count "$pattern")" = "$want" ] || ok=; done
    [ -n "$ok" ] && break
    sleep 0.1
  done
  sleep 0.4
  for spec in "$@"; do pattern=${spec%=*} want=${spec##*=}
    [ "$(count "$pattern")" = "$want" ] || fail "after $key: '$pattern' heard $(count "$pattern") times, want $want"
  done
}
type_key space 'playing:-=1' 'Stoped=0'
type_key s 'playing:-=1' 'Stoped=1'
type_key space 'playing:-=2' 'Stoped=1'
type_key space 'playing:-=2' 'Stoped=1'   # paused: no line
type_key s 'playing:-=2' 'Stoped=1'       # a paused track is not stopped
type_key space 'playing:-=2' 'Stoped=1'   # resumed: no line
type_key s 'playing:-=2' 'Stoped=2'
type_key r 'Random:-=1' 'playing:-=2'
echo "ok: $(count 'playing:-') playing, $(count 'Stoped') stopped, $(count 'Random:-') mixed"
