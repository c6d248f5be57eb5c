#!/usr/bin/env bash
# A second start while one runs brings the first forward and ends at once; --new-instance
# starts another regardless.
# usage: single_instance_test.sh RAVELIN
set -euo pipefail
ravelin=$1
work=$(mktemp -d); trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy XDG_RUNTIME_DIR=$work
mkdir "$work/home"
# The first one waits at its handle prompt.
"$ravelin" --home "$work/home" 2> "$work/first.err" &
first=$!
for _ in $(seq 50); do [ -S "$work/ravelin.sock" ] && break; sleep 0.1; done
[ -S "$work/ravelin.sock" ] || { echo "FAIL: the first never listened"; cat "$work/first.err"; exit 1; }
start=$(date +%s%N)
"$ravelin" --home "$work/home"
took=$(( ($(date +%s%N) - start) / 1000000 ))
echo "second start ended in ${took} ms"
[ "$took" -lt 3000 ] || { echo "FAIL: the second start took ${took} ms"; exit 1; }
kill -0 "$first" || { echo "FAIL: the first one ended"; exit 1; }
# With --new-instance a second one runs beside it.
"$ravelin" --home "$work/home" --new-instance 2> "$work/second.err" &
second=$!
sleep 1.5
kill -0 "$second" || { echo "FAIL: --new-instance did not run"; cat "$work/second.err"; exit 1; }
kill -0 "$first"
kill -9 "$first" "$second"; wait 2>/dev/null || true
# A socket left by a killed program does not stop the next one from starting.
"$ravelin" --home "$work/home" 2> "$work/third.err" &
third=$!
sleep 1.5
kill -0 "$third" || { echo "FAIL: a stale socket stopped the start"; cat "$work/third.err"; exit 1; }
kill -9 "$third"
echo ok
