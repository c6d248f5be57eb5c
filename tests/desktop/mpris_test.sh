#!/usr/bin/env bash
# On a private session bus: playerctl drives the running program the way the labels do, the
# room hears what a click announces, and PropertiesChanged follows every change. The tracks
# carry tags and a cover; seeking, continuous play and shuffle are asked for as an applet does.
# usage: mpris_test.sh RAVELIN MAKE_DEMO_TRACKS
set -euo pipefail
ravelin=$1 make_tracks=$2
if [ -z "${IN_PRIVATE_BUS:-}" ]; then
  IN_PRIVATE_BUS=1 exec dbus-run-session -- "$0" "$@"
fi
work=$(mktemp -d); trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
"$make_tracks" --tagged "$work/tracks" >/dev/null
mkdir "$work/home"
printf '[ravelin]\r\nDIRECTORY=%s\r\n' "$work/tracks" > "$work/home/mp3.oca"
# Nothing is selected for the first two seconds: Play would do nothing, and says so.
printf 'answer DJ\nwait 2\nclick Form1.File1 0\nwait 90\n' > "$work/run.script"
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy XDG_RUNTIME_DIR=$work XDG_CACHE_HOME=$work/cache
dbus-monitor --session "type='signal',path='/org/mpris/MediaPlayer2'" \
  > "$work/signals.txt" 2>/dev/null &
"$ravelin" --home "$work/home" --script "$work/run.script" > "$work/room.txt" 2> "$work/err.txt" &
pc() { playerctl -p ravelin "$@"; }
for _ in $(seq 50); do pc status >/dev/null 2>&1 && break; sleep 0.1; done
fail() { echo "FAIL: $*"; echo "--- room"; cat "$work/room.txt"; echo "--- stderr"; cat "$work/err.txt"; exit 1; }
expect() { local want=$1; shift; local got; got=$("$@" 2>&1) || true
  [ "$got" = "$want" ] || fail "$* gave '$got', want '$want'"; }
# The status changes come back as signals; wait for the n-th PlaybackStatus.
signals() { grep -A1 '"PlaybackStatus"' "$work/signals.txt" | grep -o '"Playing"\|"Paused"\|"Stopped"' | tr -d '"' | tr '\n' ' '; }
await_signals() { for _ in $(seq 30); do [ "$(signals)" = "$1" ] && return; sleep 0.1; done
  fail "signals '$(signals)', want '$1'"; }

get() { dbus-send --session --print-reply --dest=org.mpris.MediaPlayer2.ravelin /org/mpris/MediaPlayer2 \
  org.freedesktop.DBus.Properties.Get string:org.mpris.MediaPlayer2.Player "string:$1" | tail -1 | awk '{print $NF}'; }
expect false get CanPlay
expect false get CanSeek
for _ in $(seq 50); do [ "$(get CanPlay)" = true ] && break; sleep 0.1; done
expect true get CanPlay
for _ in $(seq 30); do grep -A1 '"CanPlay"' "$work/signals.txt" | grep -q 'boolean true' && break; sleep 0.1; done
grep -A1 '"CanPlay"' "$work/signals.txt" | grep -q 'boolean true' || fail "no CanPlay change signalled"

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

# The tags, not the file name; the cover written once to the cache.
expect "Evening in A minor" pc metadata xesam:title
expect "The Ravelin Demo Band" pc metadata xesam:artist
expect Arpeggios pc metadata xesam:album
expect 2 pc metadata xesam:trackNumber
art=$(pc metadata mpris:artUrl)
case "$art" in "file://$work/cache/ravelin/"*.png) ;; *) fail "art url '$art'";; esac
[ "$(ls "$work/cache/ravelin" | wc -l)" = 1 ] || fail "one cover for four tracks"
[ "$(head -c 4 "${art#file://}" | od -An -tx1 | tr -d ' \n')" = 89504e47 ] || fail "the cover is no PNG"

# Seeking: the time follows, the room hears nothing, Seeked is signalled.
lines=$(wc -l < "$work/room.txt")
expect true get CanSeek
pc position 10
pos=$(pc position); [ "${pos%%.*}" -ge 10 ] && [ "${pos%%.*}" -le 11 ] || fail "position $pos after seeking to 10"
pc position 3-
pos=$(pc position); [ "${pos%%.*}" -ge 7 ] && [ "${pos%%.*}" -le 8 ] || fail "position $pos after 3 s back"
grep -q 'member=Seeked' "$work/signals.txt" || fail "no Seeked signal"
[ "$(wc -l < "$work/room.txt")" = "$lines" ] || fail "the room heard the seek"

# Continuous play: off, kept in mp3.oca; the end of a track goes on as "next" or "mix" does.
expect None pc loop
expect Off pc shuffle
to_end() { local len; len=$(pc metadata mpris:length); pc position $(( len / 1000000 - 1 )); }
await_line() { for _ in $(seq 60); do [ "$(grep -c "$1" "$work/room.txt")" -ge "$2" ] && return; sleep 0.1; done
  fail "no ${2}th '$1' line"; }
pc loop Playlist
expect Playlist pc loop
grep -q '^LOOPSTATUS=Playlist' "$work/home/mp3.oca" || fail "loop not kept"
grep -q '^DIRECTORY=' "$work/home/mp3.oca" || fail "the folder was lost"
plays=$(grep -c 'playing:-' "$work/room.txt")
to_end
await_line 'playing:-' $((plays + 1))
expect "Fields of F" pc metadata xesam:title
expect Playing pc status
pc shuffle On
expect On pc shuffle
grep -q '^SHUFFLE=1' "$work/home/mp3.oca" || fail "shuffle not kept"
to_end
await_line 'Random:-' 1
pc shuffle Off
pc loop None
grep -q '^LOOPSTATUS=None' "$work/home/mp3.oca" || fail "loop off not kept"
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
