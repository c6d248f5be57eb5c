#!/usr/bin/env bash
# Runs a command on an X server of its own. Xvfb picks a free display number itself and
# tells it back, so tests running side by side never fight over one. It is never reset
# between two tests, each of which connects and leaves.
set -euo pipefail
dir=$(mktemp -d)
exec 3<> "$dir/displayfd"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; wait $xvfb 2>/dev/null; rm -rf "$dir"' EXIT
display=
for _ in $(seq 100); do
  display=$(head -n1 "$dir/displayfd" 2>/dev/null || true)
  [ -n "$display" ] && break
  kill -0 $xvfb 2>/dev/null || { echo "on_xvfb: Xvfb did not start" >&2; exit 1; }
  sleep 0.1
done
[ -n "$display" ] || { echo "on_xvfb: Xvfb gave no display" >&2; exit 1; }
DISPLAY=":$display" "$@"
