#!/usr/bin/env bash
# Whether the sound runs dry on a busy machine: Ravelin plays a long generated track with all
# five windows open and the equalizer animating, through a PulseAudio of the script's own (a
# null sink, which plays in real time, on a private runtime folder), for BENCH_SECONDS (600)
# while every core is kept busy at the same priority as the player: by BENCH_LOAD_CMD when
# given (a build in a loop, say), else by one busy loop a core. Counts the underruns twice:
# the server's own (its log at the debug level says each stream that ran dry), and the
# player's (it says on leaving how often the sound ran dry, counting the decoder's lateness
# too). Goal: 0.
#
# Usage: bench/run-loaded.sh [BUILD_DIR]. Not part of `make test` or `make bench`: it takes
# ten minutes and both cores.
set -euo pipefail
build=${1:-build/dev}
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/bench/lib.sh"
exe="$root/$build/ravelin"
seconds=${BENCH_SECONDS:-600}
work=$(mktemp -d)
xvfb= pulse= player=
loads=()
cleanup() {
  local p
  for p in "${loads[@]}"; do kill -- -"$p" 2>/dev/null || true; done
  [ -n "$player" ] && kill "$player" 2>/dev/null
  [ -n "$pulse" ] && kill "$pulse" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

start_xvfb
private_home
mkdir -p "$work/music" "$work/play"

# Longer than the run, so it plays all along.
"$root/$build/make-demo-tracks" --one $((seconds + 60)) "$work/music/long.mp3"
printf '[ravelin]\nDIRECTORY=%s\n' "$work/music" > "$work/play/mp3.oca"
write_all_windows_script "$work/all.script" $((seconds + 30))

start_pulse

"$exe" --home "$work/play" --script "$work/all.script" >/dev/null 2> "$work/ravelin.err" &
player=$!
sleep 3
pactl list sink-inputs | grep -q 'application.name = "Ravelin"' ||
  { echo "Ravelin is not playing through the sound server" >&2; cat "$work/ravelin.err" >&2; exit 1; }

cores=$(nproc)
if [ -n "${BENCH_LOAD_CMD:-}" ]; then
  setsid bash -c "while :; do $BENCH_LOAD_CMD; done" >/dev/null 2>&1 & loads+=($!)
  echo "load: '$BENCH_LOAD_CMD' in a loop"
else
  for _ in $(seq "$cores"); do setsid bash -c 'while :; do :; done' & loads+=($!); done
  echo "load: $cores busy loops, one a core"
fi
echo "playing with all five windows and the equalizer for $seconds s ..."
read -r c0 _ < <(awk '{print $14 + $15}' /proc/$player/stat)
sleep "$seconds"
read -r c1 _ < <(awk '{print $14 + $15}' /proc/$player/stat)
still=$(pactl list sink-inputs | grep -c 'application.name = "Ravelin"' || true)
for p in "${loads[@]}"; do kill -- -"$p" 2>/dev/null || true; done
loads=()
kill "$player"
wait "$player" || true
player=
server=$(server_underruns)
own=$(sed -n 's/^ravelin: the sound ran dry \([0-9]*\) time.*/\1/p' "$work/ravelin.err")
echo "still playing at the end: $([ "$still" -gt 0 ] && echo yes || echo NO)"
echo "Ravelin's CPU meanwhile (main thread and all): $(awk -v t=$((c1 - c0)) -v s="$seconds" -v hz="$(getconf CLK_TCK)" 'BEGIN { printf "%.2f %%", 100 * t / hz / s }')"
echo "underruns in $seconds s under load: server's count $server, Ravelin's own count ${own:-0} (goal 0)"
