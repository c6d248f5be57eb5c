#!/usr/bin/env bash
# What playing costs where users play: every player plays the same generated 60 s track on one
# Xvfb, through one sound server of the script's own (a PulseAudio with a null sink, which
# plays in real time into nothing, on a private runtime folder, ended with the script). Rows:
# Ravelin with its main window, Ravelin with all five windows and the equalizer, and the
# desktop players that are installed (Audacious with its GTK window, mpg123, mpv with its
# window). Each is measured alone with the server, in interleaved rounds, so every row sees
# the same load from whatever else runs on the machine. Figures: the median over BENCH_ROUNDS
# rounds (3) of BENCH_SECONDS (20) after a warm-up, all threads of the player's process tree:
# percent of one core; the sound server's percent while it played (the server does nothing
# else meanwhile); their sum; wakeups a second (voluntary context switches: sleeps ended by an
# event) and, apart, preemptions (involuntary switches, which follow the machine's load, not
# the program); underruns (the server's own count, from its log); the stream's queue on the
# server and the sink's latency it asked for.
#
# Then the pause: Ravelin plays with its main window; pause_bench records the sink's monitor
# and clicks the pause button with xdotool (press, release), and takes the time from the
# release to the last sound the sink played, 10 times (BENCH_PAUSE_ROUNDS); median.
#
# Then the second table, with SDL's dummy audio driver and no sound server, as before: Ravelin
# idle, playing with the main window, with all five windows; the floor of a bare Qt window;
# mpg123 through OpenAL's null device and mpv through its null output. BENCH_DUMMY=0 leaves
# it out. BENCH_BEFORE=PATH adds the Ravelin rows for another build of the program there.
#
# Usage: bench/run-cpu.sh [BUILD_DIR]. Missing players (audacious, mpg123, mpv) and xdotool
# are installed from Debian when run as root, unless BENCH_NO_INSTALL=1.
set -euo pipefail
build=${1:-build/dev}
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/bench/lib.sh"
exe="$root/$build/ravelin"
rounds=${BENCH_ROUNDS:-3}
seconds=${BENCH_SECONDS:-20}
warm=${BENCH_WARMUP:-4}
pause_rounds=${BENCH_PAUSE_ROUNDS:-10}
work=$(mktemp -d)
xvfb=
pulse=
cleanup() {
  [ -n "$pulse" ] && kill "$pulse" 2>/dev/null && wait "$pulse" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

if [ "${BENCH_NO_INSTALL:-0}" != 1 ] && [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null; then
  missing=()
  for p in audacious mpg123 mpv xdotool; do command -v $p >/dev/null || missing+=($p); done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "installing the players to compare with: ${missing[*]}"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null 2>&1 ||
      echo "(could not install ${missing[*]}: they are left out)"
  fi
fi

start_xvfb
private_home

mkdir -p "$work/music" "$work/idle" "$work/play"
track="$work/music/sixty.mp3"
"$root/$build/make-demo-tracks" --one 60 "$track"
printf '[ravelin]\nDIRECTORY=%s\n' "$work/music" > "$work/play/mp3.oca"
printf 'answer bench\nwait 600\n' > "$work/idle.script"
printf 'answer bench\nclick Form1.File1 0\nclick Form1.lbplay\nwait 600\n' > "$work/play.script"
write_all_windows_script "$work/all.script" 600

start_pulse

# CPU nanoseconds, voluntary and involuntary context switches of every thread of a tree.
tree() { echo "$1"; for c in $(cat /proc/"$1"/task/*/children 2>/dev/null); do tree "$c"; done; }
snap() {
  local t=0 v=0 n=0 p d a
  for p in $(tree "$1"); do
    for d in /proc/"$p"/task/*; do
      read -r a _ < "$d/schedstat" 2>/dev/null || continue
      read -r a2 b2 < <(awk '/^voluntary_ctxt/ {v = $2} /^nonvoluntary_ctxt/ {n = $2}
        END {print v + 0, n + 0}' "$d/status" 2>/dev/null) || continue
      t=$((t + a)); v=$((v + a2)); n=$((n + b2))
    done
  done
  echo "$t $v $n"
}
rss_kb() { local s=0 p; for p in $(tree "$1"); do s=$((s + $(awk '/VmRSS/ {print $2}' /proc/"$p"/status 2>/dev/null || echo 0))); done; echo $s; }
# The stream's queue on the server and the sink's latency, in ms, of the one stream playing.
server_buffer() {
  local q s
  q=$(pactl list sink-inputs 2>/dev/null | awk '/Buffer Latency/ {print int($3 / 1000); exit}')
  s=$(pactl list sinks 2>/dev/null | awk '/Latency:.*configured/ {print int($5 / 1000); exit}')
  echo "${q:--}+${s:--}"
}

# One run with the sound server: "cpu% server% wakeups/s preemptions/s underruns buffer", or
# dashes when it did not last.
measure() {
  setsid bash -c "exec 2>/dev/null >/dev/null; $1" & local pid=$!
  sleep "$warm"
  local t0 v0 n0 t1 v1 n1 s0 s1 u0 u1 buffer
  if ! kill -0 $pid 2>/dev/null; then echo "- - - - - -"; return; fi
  buffer=$(server_buffer)
  read -r t0 v0 n0 < <(snap $pid)
  read -r s0 _ < <(snap $pulse)
  u0=$(server_underruns)
  sleep "$seconds"
  read -r t1 v1 n1 < <(snap $pid)
  read -r s1 _ < <(snap $pulse)
  u1=$(server_underruns)
  kill -- -$pid 2>/dev/null || true
  wait $pid 2>/dev/null || true
  # The stream is gone before the next starts.
  for _ in $(seq 50); do [ -z "$(pactl list short sink-inputs 2>/dev/null)" ] && break; sleep 0.1; done
  awk -v t=$((t1 - t0)) -v v=$((v1 - v0)) -v n=$((n1 - n0)) -v s=$((s1 - s0)) -v d="$seconds" \
    -v u=$((u1 - u0)) -v b="$buffer" \
    'BEGIN { printf "%.3f %.3f %.1f %.1f %d %s\n", t / 1e7 / d, s / 1e7 / d, v / d, n / d, u, b }'
}

# Runs every row of names/cmds with the measuring function HOW in interleaved rounds, each
# run a line "row figures" in OUT; LABEL follows the row's name in the progress.
run_rounds() {
  local how=$1 out=$2 label=${3:-} round i
  for round in $(seq "$rounds"); do
    for i in "${!names[@]}"; do
      echo "round $round/$rounds: ${names[$i]}$label" >&2
      echo "$i $("$how" "${cmds[$i]}")" >> "$out"
    done
  done
}

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) print "-"; else print v[int((NR + 1) / 2)] }'; }
column_median() { awk -v i="$1" -v c="$2" '$1 == i && $c != "-" { print $c }' "$3" | median; }

# ---- Through the sound server ----
names=("Ravelin, main window" "Ravelin, all five windows + equalizer")
cmds=("'$exe' --home '$work/play' --script '$work/play.script'"
  "'$exe' --home '$work/play' --script '$work/all.script'")
if [ -n "${BENCH_BEFORE:-}" ]; then
  names+=("before: main window" "before: all five + equalizer")
  cmds+=("'$BENCH_BEFORE' --home '$work/play' --script '$work/play.script'"
    "'$BENCH_BEFORE' --home '$work/play' --script '$work/all.script'")
fi
audacious_row=-1
if command -v audacious >/dev/null; then
  audacious_row=${#names[@]}
  names+=("Audacious (GTK window)")
  cmds+=("audacious --gtk '$track'")
fi
command -v mpg123 >/dev/null && { names+=("mpg123 (terminal)"); cmds+=("mpg123 -q -o pulse '$track'"); }
if command -v mpv >/dev/null; then
  names+=("mpv (window)")
  cmds+=("mpv --no-terminal --no-config --force-window=yes --vo=x11 --ao=pulse '$track'")
fi
# What the server costs with nothing playing, for reference.
idle_row=${#names[@]}
names+=("(sound server alone)")
cmds+=("sleep 600")

results="$work/server"
run_rounds measure "$results"

declare -a cpu srv sum wake pre und buf
for i in "${!names[@]}"; do
  cpu[$i]=$(column_median "$i" 2 "$results")
  srv[$i]=$(column_median "$i" 3 "$results")
  sum[$i]=$(awk -v i="$i" '$1 == i && $2 != "-" { print $2 + $3 }' "$results" | median)
  wake[$i]=$(column_median "$i" 4 "$results")
  pre[$i]=$(column_median "$i" 5 "$results")
  und[$i]=$(awk -v i="$i" '$1 == i && $6 != "-" { s += $6 } END { print s + 0 }' "$results")
  buf[$i]=$(awk -v i="$i" '$1 == i && $7 != "-" { b = $7 } END { print b ? b : "-" }' "$results")
done
echo
echo "Through a PulseAudio with a null sink; median of $rounds interleaved runs of $seconds s after ${warm} s;"
echo "CPU in % of one core, all threads; underruns summed over the runs:"
printf '| %-38s | %6s | %8s | %6s | %9s | %11s | %9s | %13s |\n' "program, playing" "own %" "server %" \
  "sum %" "wakeups/s" "preempted/s" "underruns" "queue+sink ms"
printf '|%s|%s|%s|%s|%s|%s|%s|%s|\n' "----------------------------------------" "--------" \
  "----------" "--------" "-----------" "-------------" "-----------" "---------------"
for i in "${!names[@]}"; do
  printf '| %-38s | %6s | %8s | %6s | %9s | %11s | %9s | %13s |\n' "${names[$i]}" "${cpu[$i]}" \
    "${srv[$i]}" "${sum[$i]}" "${wake[$i]}" "${pre[$i]}" "${und[$i]}" "${buf[$i]}"
done
if [ "$audacious_row" -ge 0 ] && [ "${sum[0]}" != "-" ] && [ "${sum[$audacious_row]}" != "-" ]; then
  awk -v a="${sum[0]}" -v b="${sum[$audacious_row]}" \
    'BEGIN { if (b > 0) printf "Ravelin (main window) / Audacious, own + server: %.2f (goal <= 0.8)\n", a / b }'
fi
echo "Goals: Ravelin's server share <= 0.5 %; <= 40 wakeups/s with the main window; 0 underruns."

# ---- The pause, heard at the sink ----
if command -v xdotool >/dev/null && [ -x "$root/$build/bench/pause_bench" ]; then
  setsid "$exe" --home "$work/play" --script "$work/play.script" >/dev/null 2>&1 & player=$!
  sleep 3
  # The main window, and in it the pause button: 480,1440 twips, 180 x 285, at 15 twips a
  # pixel; its middle.
  win=$(xdotool search --all --onlyvisible --pid "$player" --name '^Ravelin' 2>/dev/null | head -1 || true)
  if [ -n "$win" ]; then
    eval "$(xdotool getwindowgeometry --shell "$win")"
    echo
    "$root/$build/bench/pause_bench" null.monitor $((X + 38)) $((Y + 105)) "$pause_rounds" |
      cat || echo "(the pause benchmark failed)"
    echo "Goal: silent within 50 ms of the click."
  else
    echo "(no main window found for the pause benchmark)"
  fi
  kill -- -"$player" 2>/dev/null || true
  wait "$player" 2>/dev/null || true
else
  echo "(xdotool or pause_bench missing: no pause benchmark)"
fi

[ "${BENCH_DUMMY:-1}" = 0 ] && exit 0

# ---- SDL's dummy driver, no sound server ----
kill "$pulse" 2>/dev/null && wait "$pulse" 2>/dev/null
pulse=
unset PULSE_SERVER
export SDL_AUDIODRIVER=dummy
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

# One run: "cpu% wakeups/s rssMB", or "- - -" when it did not last.
measure_alone() {
  setsid bash -c "exec 2>/dev/null >/dev/null; $1" & local pid=$!
  sleep "$warm"
  local t0 w0 t1 w1 rss
  if ! kill -0 $pid 2>/dev/null; then echo "- - -"; return; fi
  read -r t0 w0 _ < <(snap $pid)
  sleep "$seconds"
  read -r t1 w1 _ < <(snap $pid)
  rss=$(rss_kb $pid)
  kill -- -$pid 2>/dev/null || true
  wait $pid 2>/dev/null || true
  awk -v t=$((t1 - t0)) -v w=$((w1 - w0)) -v s="$seconds" -v r="$rss" \
    'BEGIN { printf "%.3f %.1f %.1f\n", t / 1e7 / s, w / s, r / 1024 }'
}

results="$work/dummy"
run_rounds measure_alone "$results" " (dummy audio)"

declare -a rss
for i in "${!names[@]}"; do
  cpu[$i]=$(column_median "$i" 2 "$results")
  wake[$i]=$(column_median "$i" 3 "$results")
  rss[$i]=$(column_median "$i" 4 "$results")
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
  elif [ "$i" -gt "$floor_row" ] && [ "${cpu[$i]}" != "-" ]; then
    ratio=$(awk -v a="${cpu[1]}" -v b="${cpu[$i]}" -v ra="${rss[1]}" -v rb="${rss[$i]}" \
      'BEGIN { if (b > 0) printf "CPU %.2fx, RSS %.2fx", a / b, ra / rb }')
  fi
  printf '| %-38s | %8s | %9s | %8s | %s |\n' "${names[$i]}" "${cpu[$i]}" "${wake[$i]}" "${rss[$i]}" "$ratio"
done
echo "Goals: idle <= 0.25 % and <= 25 wakeups/s; playing <= 0.5 %; all five <= 1.5 %;"
echo "RSS <= 40 MB playing with the main window, <= 50 MB with all five."
true
