#!/usr/bin/env bash
# On a private session bus: playerctl drives the running program the way the labels do, the
# room hears what a click announces, and PropertiesChanged follows every change.
# usage: mpris_test.sh RAVELIN MAKE_DEMO_TRACKS
set -euo pipefail
ravelin=$1 make_tracks=$2
if [ -z "${IN_PRIVATE_BUS:-}" ]; then
  IN_PRIVATE_BUS=1 exec dbus-run-session -- "$0" "$@"
fi
work=$(mktemp -d); trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
"$make_tracks" "$work/tracks" >/dev/null
mkdir "$work/home"
printf '[ravelin]\r\nDIRECTORY=%s\r\n' "$work/tracks" > "$work/home/mp3.oca"
printf 'answer DJ\nclick Form1.File1 0\nwait 30\n' > "$work/run.script"
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy XDG_RUNTIME_DIR=$work
dbus-monitor --session "type='signal',interface='org.freedesktop.DBus.Properties',member='PropertiesChanged'" \
  > "$work/signals.txt" 2>/dev/null &
"$ravelin" --home "$work/home" --script "$work/run.script" > "$work/room.txt" 2> "$work/err.txt" &
pc() { playerctl -p ravelin "$@"; }
for _ in $(seq 50); do pc status >/dev/null 2>&1 && break; sleep 0.1; done
sleep 0.5  # the script answers the prompt and selects the first track
fail() { echo "FAIL: $*"; echo "--- room"; cat "$work/room.txt"; echo "--- stderr"; cat "$work/err.txt"; exit 1; }
expect() { local want=$1; shift; local got; got=$("$@" 2>&1) || true
  [ "$got" = "$want" ] || fail "$* gave '$got', want '$want'"; }
# The status changes come back as signals; wait for the n-th PlaybackStatus.
signals() { grep -A1 '"PlaybackStatus"' "$work/signals.txt" | grep -o '"Playing"\|"Paused"\|"Stopped"' | tr -d '"' | tr '\n' ' '; }
await_signals() { for _ in $(seq 30); do [ "$(signals)" = "$1" ] && return; sleep 0.1; done
  fail "signals '$(signals)', want '$1'"; }

expect Stopped pc status
pc play-pause
expect Playing pc status
await_signals "Playing "
grep -q 'playing:-</b><FONT COLOR=#3366FF>' "$work/room.txt" || fail "no playing line in the room"
first=$(pc metadata xesam:title)
pc next
expect "$first" echo "$first"
second=$(pc metadata xesam:title)
[ "$first" != "$second" ] || fail "next kept '$first'"
[ "$(grep -c 'playing:-' "$work/room.txt")" = 2 ] || fail "next did not announce"
pc previous
expect "$first" pc metadata xesam:title
pc metadata mpris:trackid | grep -q "^'\?/org/ravelin/track/0'\?$" || fail "track id"
pc metadata xesam:url | grep -q '^file://' || fail "url"
pc volume 0.5
expect 0.500000 pc volume
pc pause
expect Paused pc status
await_signals "Playing Paused "
pc play-pause
await_signals "Playing Paused Playing "
pc stop
expect Stopped pc status
await_signals "Playing Paused Playing Stopped "
grep -q 'Stoped\.\.\.' "$work/room.txt" || fail "no stop line in the room"
echo "ok: $(signals)"
