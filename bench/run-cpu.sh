#!/usr/bin/env bash
# CPU and memory of the running program under Xvfb: an idle main window with its marquee
# (20 s), playing a 60 s generated track with the display timers running, and the same with
# every window open and the equalizer animating, beside Debian's mpg123 decoding the same file. Usage: bench/run-cpu.sh [BUILD_DIR]
set -euo pipefail
build=${1:-build/dev}
root=$(cd "$(dirname "$0")/.." && pwd)
exe="$root/$build/ravelin"
work=$(mktemp -d)
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
Xvfb :97 -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 & xvfb=$!
export DISPLAY=:97 SDL_AUDIODRIVER=dummy
sleep 1
hz=$(getconf CLK_TCK)

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
# Runs ravelin with a script, measures its CPU from $2 to $3 seconds after start.
measure() {
  local home=$1 from=$2 to=$3 script=$4
  "$exe" --home "$home" --script "$script" >/dev/null 2>&1 & local pid=$!
  sleep "$from"; local t0; t0=$(ticks $pid)
  sleep $((to - from)); local t1; t1=$(ticks $pid)
  local rss hwm
  rss=$(awk '/VmRSS/ {print $2}' /proc/$pid/status)
  hwm=$(awk '/VmHWM/ {print $2}' /proc/$pid/status)
  kill $pid 2>/dev/null || true; wait $pid 2>/dev/null || true
  awk -v a="$t0" -v b="$t1" -v s=$((to - from)) -v hz="$hz" -v rss="$rss" -v hwm="$hwm" \
    'BEGIN { printf "%.2f %% of one core over %d s; RSS %.1f MB (peak %.1f MB)\n", (b - a) * 100 / hz / s, s, rss / 1024, hwm / 1024 }'
}

mkdir -p "$work/idle" "$work/play" "$work/music"
printf 'answer bench\nwait 30\n' > "$work/idle.script"
echo -n "idle Form1, marquee running: "
measure "$work/idle" 3 23 "$work/idle.script"

"$root/$build/make-demo-tracks" --one 60 "$work/music/sixty.mp3"
printf '[ravelin]\nDIRECTORY=%s\n' "$work/music" > "$work/play/mp3.oca"
printf 'answer bench\nclick Form1.File1 0\nclick Form1.lbplay\nwait 70\n' > "$work/play.script"
echo -n "playing a 60 s track with Form1's timers: "
measure "$work/play" 3 58 "$work/play.script"

# Every window open with its marquee running, the equalizer animating, a track playing.
printf 'answer bench\nclick Form1.File1 0\nclick Form1.lbplay\nclick Form1.Label3\nclick Form1.Label12\nsay .afk\nsay .eq\nwait 0.5\nclick frmeq.Label3\nwait 70\n' > "$work/all.script"
echo -n "every window, equalizer animating, playing: "
measure "$work/play" 3 58 "$work/all.script"

if command -v mpg123 >/dev/null && [ -x /usr/bin/time ]; then
  # mpg123's dummy output does not pace itself: this is the CPU to decode the whole track,
  # spread over the track's 60 s for comparison.
  out=$( { /usr/bin/time -f '%U %S %M' mpg123 -q -o dummy "$work/music/sixty.mp3" ; } 2>&1 | tail -1)
  echo "$out" | awk '{ printf "mpg123 -o dummy, same file: %.2f s CPU = %.2f %% of one core over 60 s; peak RSS %.1f MB\n", $1 + $2, ($1 + $2) * 100 / 60, $3 / 1024 }'
fi
command -v mpg123 >/dev/null && [ -x /usr/bin/time ] ||
  echo "(for the comparison with mpg123: apt-get install mpg123 time)"
