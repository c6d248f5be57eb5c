#!/usr/bin/env bash
# A second start while one runs brings the first forward and ends at once; --new-instance
# starts another regardless. Without a runtime folder the socket lives in a folder of the
# user's alone; a folder open to others, or a file where the socket goes, is left as it is,
# said in one line, and the program runs by itself. (Other users' programs and broken
# clients: rv_instance_tests.)
# usage: single_instance_test.sh RAVELIN
set -euo pipefail
ravelin=$1
work=$(mktemp -d); trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy XDG_RUNTIME_DIR=$work
mkdir "$work/home"
fail() { echo "FAIL: $*"; for f in "$work"/*.err; do echo "--- $f"; cat "$f"; done; exit 1; }
# Starts one in the background (it waits at its handle prompt); $! is it.
start() { "$ravelin" --home "$work/home" "${@:2}" 2> "$work/$1.err" & }
end() { { kill -9 "$@"; wait "$@"; } 2>/dev/null || true; }
wait_for_socket() {
  for _ in $(seq 50); do [ -S "$1" ] && return; sleep 0.1; done
  fail "nobody listened at $1"
}
# A second start hands over within a few seconds and ends with 0.
hands_over() {
  local start took
  start=$(date +%s%N)
  "$ravelin" --home "$work/home" 2> "$work/second.err" || fail "the second start failed"
  took=$(( ($(date +%s%N) - start) / 1000000 ))
  echo "second start ended in ${took} ms"
  [ "$took" -lt 3000 ] || fail "the second start took ${took} ms"
}
# Runs by itself with exactly one line on stderr holding $2.
runs_alone_saying() {
  start "$1"
  local pid=$!
  sleep 1.5
  kill -0 "$pid" || fail "$1: it did not run"
  end "$pid"
  # Its own lines, other than the one about media keys (no session bus here).
  grep '^ravelin: ' "$work/$1.err" | grep -v 'media keys' > "$work/$1.lines" || true
  [ "$(wc -l < "$work/$1.lines")" -eq 1 ] && grep -q -- "$2" "$work/$1.lines" \
    || fail "$1: expected one line saying '$2'"
}

start first
first=$!
wait_for_socket "$work/ravelin.sock"
hands_over
kill -0 "$first" || fail "the first one ended"
# With --new-instance a second one runs beside it.
start new --new-instance
second=$!
sleep 1.5
kill -0 "$second" || fail "--new-instance did not run"
kill -0 "$first"
end "$first" "$second"
# A socket left by a killed program does not stop the next one from starting.
start third
third=$!
sleep 1.5
kill -0 "$third" || fail "a stale socket stopped the start"
end "$third"

# Without a runtime folder: a folder of the user's alone in the temporary folder.
unset XDG_RUNTIME_DIR
export TMPDIR=$work/tmp
mkdir "$TMPDIR"
private=$TMPDIR/ravelin-$(id -u)
start private
first=$!
wait_for_socket "$private/ravelin.sock"
[ "$(stat -c %a "$private")" = 700 ] || fail "the private folder is open: $(stat -c %a "$private")"
hands_over
end "$first"
# Opened to others, it is not used.
chmod 755 "$private"
rm "$private/ravelin.sock"
runs_alone_saying open "is open to others (mode 0755)"
[ ! -e "$private/ravelin.sock" ] || fail "a socket was made in an open folder"

# A file where the socket goes is nobody's to delete.
export XDG_RUNTIME_DIR=$work/run
mkdir -m 700 "$XDG_RUNTIME_DIR"
echo "keep me" > "$XDG_RUNTIME_DIR/ravelin.sock"
runs_alone_saying file "ravelin.sock is not a socket; it is left as it is"
[ "$(cat "$XDG_RUNTIME_DIR/ravelin.sock")" = "keep me" ] || fail "the file was changed"
echo ok
