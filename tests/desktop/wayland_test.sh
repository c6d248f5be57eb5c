#!/usr/bin/env bash
# Under a headless Wayland compositor: with XWayland the program runs on X11, opens at its
# place and moves itself; without it, it runs natively, says once what does not work there,
# and still plays.
# usage: wayland_test.sh RAVELIN MAKE_DEMO_TRACKS
set -euo pipefail
ravelin=$1 make_tracks=$2
command -v weston >/dev/null || { echo "weston is not installed: skipped"; exit 77; }
work=$(mktemp -d); trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=$work/run SDL_AUDIODRIVER=dummy
mkdir -m 700 "$XDG_RUNTIME_DIR" "$work/home"
unset DISPLAY QT_QPA_PLATFORM DBUS_SESSION_BUS_ADDRESS
"$make_tracks" "$work/tracks" >/dev/null
printf '[ravelin]\r\nDIRECTORY=%s\r\n' "$work/tracks" > "$work/home/mp3.oca"
fail() { echo "FAIL: $*"; for f in "$work"/*.err "$work"/*.log; do echo "--- $f"; cat "$f"; done; exit 1; }
compositor() {  # starts weston with the given extra options; waits for its socket
  weston --backend=headless-backend.so --socket=wl-ravelin "$@" > "$work/weston.log" 2>&1 &
  for _ in $(seq 50); do [ -S "$XDG_RUNTIME_DIR/wl-ravelin" ] && return; sleep 0.1; done
  fail "weston did not start"
}

# With XWayland.
compositor --xwayland
for _ in $(seq 50); do grep -q 'listening on display' "$work/weston.log" && break; sleep 0.1; done
xdisplay=$(grep -o 'listening on display :[0-9]*' "$work/weston.log" | grep -o ':[0-9]*') || fail "no XWayland"
printf 'answer DJ\nwait 2\nclick Form1.Label2\nwait 2\n' > "$work/x.script"
DISPLAY=$xdisplay WAYLAND_DISPLAY=wl-ravelin "$ravelin" --home "$work/home" --script "$work/x.script" \
  > "$work/x.out" 2> "$work/x.err" &
app=$!
geometry() { xwininfo -display "$xdisplay" -root -tree 2>/dev/null | grep '"Ravelin By Vosk"' | grep -o '[0-9]*x[0-9]*+[-0-9]*+[-0-9]* *+[-0-9]*+[-0-9]*$' || true; }
# The window may be mapped a moment before it has moved itself to its place.
first=""; for _ in $(seq 50); do first=$(geometry); [[ "$first" == *" +217+157" ]] && break; sleep 0.1; done
[ -n "$first" ] || fail "the main window is not an X11 window under XWayland"
echo "opened: $first"
[[ "$first" == *" +217+157" ]] || fail "the main window opened at '$first', not at +217+157"
sleep 2.5
rolled=$(geometry); echo "rolled up: $rolled"
[ "${rolled%%x*}" = "${first%%x*}" ] || fail "the width changed"
h1=${first#*x}; h1=${h1%%+*}; h2=${rolled#*x}; h2=${h2%%+*}
[ "$h2" -lt "$h1" ] || fail "the roll-up did not shrink the window ($h1 -> $h2)"
wait "$app" || fail "the program failed under XWayland"
grep -q 'without XWayland' "$work/x.err" && fail "warned about Wayland while on XWayland"
kill %1; wait 2>/dev/null || true
rm -f "$XDG_RUNTIME_DIR"/wl-ravelin*

# Without XWayland.
compositor
printf 'answer DJ\nclick Form1.File1 0\nclick Form1.lbplay\nwait 1\nclick Form1.lbstop\n' > "$work/w.script"
WAYLAND_DISPLAY=wl-ravelin "$ravelin" --home "$work/home" --script "$work/w.script" \
  > "$work/w.out" 2> "$work/w.err" || fail "the program failed on Wayland"
grep -q 'playing:-' "$work/w.out" || fail "nothing played on Wayland"
[ "$(grep -c 'without XWayland' "$work/w.err")" = 1 ] || fail "the Wayland note is not said once"
echo ok
