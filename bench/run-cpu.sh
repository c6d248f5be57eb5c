#!/usr/bin/env bash
# CPU, wakeups and memory of the running program under one Xvfb with SDL's dummy audio driver:
# idle with the main window's marquee, playing a 60 s generated track with the main window,
# and playing with every window open (every marquee, the equalizer animating). Beside them
# the desktop players that are installed and can play at the track's pace without a sound
# device (mpg123 through OpenAL's null device, mpv through its null output) play the same
# file on the same display, in the same session, interleaved round by round. Figures: the median over
# BENCH_ROUNDS rounds (3) of BENCH_SECONDS (20) after a warm-up, all threads: percent of one
# core, voluntary wakeups a second, resident memory at the end.
#
# Usage: bench/run-cpu.sh [BUILD_DIR]. Missing players are installed from Debian when run as
# root, unless BENCH_NO_INSTALL=1. BENCH_BEFORE=PATH adds the same three rows for another
# build of the program (an earlier one), in the same rounds.
set -euo pipefail
build=${1:-build/dev}
root=$(cd "$(dirname "$0")/.." && pwd)
exe="$root/$build/ravelin"
rounds=${BENCH_ROUNDS:-3}
seconds=${BENCH_SECONDS:-20}
warm=${BENCH_WARMUP:-4}
work=$(mktemp -d)
xvfb=
cleanup() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

if [ "${BENCH_NO_INSTALL:-0}" != 1 ] && [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null; then
  missing=()
  for p in mpg123 mpv; do command -v $p >/dev/null || missing+=($p); done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "installing the players to compare with: ${missing[*]}"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null 2>&1 ||
      echo "(could not install ${missing[*]}: they are left out)"
  fi
fi

# A display of our own, on a free number.
display=
for n in $(seq 90 140); do
  [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
  Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 & xvfb=$!
  sleep 1
  if kill -0 "$xvfb" 2>/dev/null; then display=$n; break; fi
  xvfb=
done
[ -n "$display" ] || { echo "no Xvfb display" >&2; exit 1; }
export DISPLAY=":$display" SDL_AUDIODRIVER=dummy XDG_RUNTIME_DIR="$work/run"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

mkdir -p "$work/music" "$work/idle" "$work/play" "$work/home"
track="$work/music/sixty.mp3"
"$root/$build/make-demo-tracks" --one 60 "$track"
printf '[ravelin]\nDIRECTORY=%s\n' "$work/music" > "$work/play/mp3.oca"
printf 'answer bench\nwait 600\n' > "$work/idle.script"
printf 'answer bench\nclick Form1.File1 0\nclick Form1.lbplay\nwait 600\n' > "$work/play.script"
printf '%s\n' 'answer bench' 'click Form1.File1 0' 'click Form1.lbplay' 'click Form1.Label3' \
  'click Form1.Label12' 'say .afk' 'say .eq' 'wait 0.5' 'click frmeq.Label3' 'wait 600' \
  > "$work/all.script"

# Each configuration: a name and the command that starts it.
names=("Ravelin idle, main window" "Ravelin playing, main window" "Ravelin playing, all five windows")
cmds=("'$exe' --home '$work/idle' --script '$work/idle.script'"
  "'$exe' --home '$work/play' --script '$work/play.script'"
  "'$exe' --home '$work/play' --script '$work/all.script'")
if [ -n "${BENCH_BEFORE:-}" ]; then
  names+=("before: idle, main window" "before: playing, main window" "before: playing, all five")
  cmds+=("'$BENCH_BEFORE' --home '$work/idle' --script '$work/idle.script'"
    "'$BENCH_BEFORE' --home '$work/play' --script '$work/play.script'"
    "'$BENCH_BEFORE' --home '$work/play' --script '$work/all.script'")
fi
# The floor of an idle window with a moving caption, on this machine and display.
floor_row=${#names[@]}
names+=("floor: bare Qt window, 1 X copy/frame")
cmds+=("'$root/$build/bench/x11_floor'")
if command -v mpg123 >/dev/null; then
  # OpenAL's null device mixes in real time; mpg123's own dummy output does not wait.
  names+=("mpg123 (terminal), playing")
  cmds+=("ALSOFT_DRIVERS=null mpg123 -q -o openal '$track'")
fi
if command -v mpv >/dev/null; then
  names+=("mpv with its window, playing")
  cmds+=("mpv --no-terminal --no-config --force-window=yes --vo=x11 --ao=null '$track'")
fi

# CPU nanoseconds and voluntary context switches of every thread of a process tree.
tree() { echo "$1"; for c in $(cat /proc/"$1"/task/*/children 2>/dev/null); do tree "$c"; done; }
snap() {
  local t=0 w=0 p d a v
  for p in $(tree "$1"); do
    for d in /proc/"$p"/task/*; do
      read -r a _ < "$d/schedstat" 2>/dev/null || continue
      v=$(awk '/^voluntary_ctxt/ {print $2}' "$d/status" 2>/dev/null) || continue
      t=$((t + a)); w=$((w + ${v:-0}))
    done
  done
  echo "$t $w"
}
rss_kb() { local s=0 p; for p in $(tree "$1"); do s=$((s + $(awk '/VmRSS/ {print $2}' /proc/"$p"/status 2>/dev/null || echo 0))); done; echo $s; }

# One run: "cpu% wakeups/s rssMB", or "- - -" when it did not last.
measure() {
  setsid bash -c "exec 2>/dev/null >/dev/null; $1" & local pid=$!
  sleep "$warm"
  local t0 w0 t1 w1 rss
  if ! kill -0 $pid 2>/dev/null; then echo "- - -"; return; fi
  read -r t0 w0 < <(snap $pid)
  sleep "$seconds"
  read -r t1 w1 < <(snap $pid)
  rss=$(rss_kb $pid)
  kill -- -$pid 2>/dev/null || true
  wait $pid 2>/dev/null || true
  awk -v t=$((t1 - t0)) -v w=$((w1 - w0)) -v s="$seconds" -v r="$rss" \
    'BEGIN { printf "%.3f %.1f %.1f\n", t / 1e7 / s, w / s, r / 1024 }'
}

results="$work/results"
for round in $(seq "$rounds"); do
  for i in "${!names[@]}"; do
    echo "round $round/$rounds: ${names[$i]}" >&2
    echo "$i $(measure "${cmds[$i]}")" >> "$results"
  done
done

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) print "-"; else print v[int((NR + 1) / 2)] }'; }
declare -a cpu wake rss
for i in "${!names[@]}"; do
  cpu[$i]=$(awk -v i="$i" '$1 == i && $2 != "-" { print $2 }' "$results" | median)
  wake[$i]=$(awk -v i="$i" '$1 == i && $3 != "-" { print $3 }' "$results" | median)
  rss[$i]=$(awk -v i="$i" '$1 == i && $4 != "-" { print $4 }' "$results" | median)
done
echo
echo "Median of $rounds interleaved runs of $seconds s after ${warm} s, all threads, one Xvfb, SDL dummy audio:"
printf '| %-38s | %8s | %9s | %8s | %s |\n' "program, state" "CPU %" "wakeups/s" "RSS MB" "Ravelin / this"
printf '|%s|%s|%s|%s|%s|\n' "----------------------------------------" "----------" "-----------" "----------" "------------------------"
for i in "${!names[@]}"; do
  ratio=""
  if [ "$i" = "$floor_row" ] && [ "${cpu[$i]}" != "-" ]; then
    ratio=$(awk -v a="${cpu[0]}" -v b="${cpu[$i]}" \
      'BEGIN { if (b > 0) printf "Ravelin idle / floor: %.2fx", a / b }')
  elif [ "$i" -ge 3 ] && [ "${cpu[$i]}" != "-" ] && [ "${names[$i]#before}" = "${names[$i]}" ]; then
    ratio=$(awk -v a="${cpu[1]}" -v b="${cpu[$i]}" -v ra="${rss[1]}" -v rb="${rss[$i]}" \
      'BEGIN { if (b > 0) printf "CPU %.2fx, RSS %.2fx", a / b, ra / rb }')
  fi
  printf '| %-38s | %8s | %9s | %8s | %s |\n' "${names[$i]}" "${cpu[$i]}" "${wake[$i]}" "${rss[$i]}" "$ratio"
done
echo "Goals: idle <= 0.25 % and <= 25 wakeups/s; playing <= 0.5 %; all five <= 1.5 %;"
echo "RSS <= 40 MB playing with the main window, <= 50 MB with all five."
# Without a sound device, a player needs an output that keeps time by itself to be compared
# fairly; these have none short of a sound server.
for p in cmus audacious; do
  command -v $p >/dev/null && echo "($p has no output that keeps time without a sound server: left out)"
done
true
