#!/usr/bin/env bash
# An install into a fresh prefix: the program runs from there, the menu entry validates,
# the manual page renders, and the icons, the AppStream entry and the README are in place.
# usage: install_test.sh BUILD_DIR
set -euo pipefail
build=$1
prefix=$(mktemp -d); trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
"$prefix/bin/ravelin" --help | grep -q -- '--home'
desktop-file-validate "$prefix/share/applications/ravelin.desktop"
grep -q '^Exec=ravelin %F$' "$prefix/share/applications/ravelin.desktop"
grep -q '^MimeType=audio/mpeg;$' "$prefix/share/applications/ravelin.desktop"
"$prefix/bin/ravelin" --version | grep -qx "ravelin $(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
MANWIDTH=80 man -l "$prefix/share/man/man1/ravelin.1.gz" 2>/dev/null | grep -q "Ravelin $(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
test -s "$prefix/share/icons/hicolor/scalable/apps/ravelin.svg"
grep -q '<svg' "$prefix/share/icons/hicolor/scalable/apps/ravelin.svg"
test -s "$prefix/share/doc/ravelin/README.md"
test -s "$prefix/share/doc/ravelin/copyright"
if command -v rsvg-convert >/dev/null; then test -s "$prefix/share/icons/hicolor/48x48/apps/ravelin.png"; fi
appstreamcli validate --no-net "$prefix/share/metainfo/ravelin.metainfo.xml"
page=$(MANWIDTH=80 man -l "$prefix/share/man/man1/ravelin.1.gz" 2>&1)
for want in --home --script --headless --new-instance --chat-cert say-as dblclick open-room; do
  grep -q -- "$want" <<<"$page" || { echo "FAIL: the manual lacks $want"; exit 1; }
done
echo ok
