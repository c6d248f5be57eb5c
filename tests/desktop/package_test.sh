#!/usr/bin/env bash
# The Debian package: made from the build tree with CPack into a folder of its own, its
# fields and files read from the archive and from a scratch root (dpkg -x), the menu entry and
# the AppStream entry validated, and lintian finding no error. As root with apt (as in CI),
# it is installed for real, run, and removed again, unless a ravelin package was there before.
# usage: package_test.sh BUILD_DIR
set -euo pipefail
build=$1
for tool in cpack dpkg-deb lintian appstreamcli desktop-file-validate; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing (scripts/setup-deps test)"; exit 77; }
done
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" > "$work/cpack.log" 2>&1 \
  || { cat "$work/cpack.log"; fail "cpack failed"; }
deb=$(ls "$work"/out/ravelin_"$version"_*.deb 2>/dev/null) || fail "no ravelin_${version}_*.deb made"
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = ravelin ] || fail "package name $(field Package)"
[ "$(field Version)" = "$version" ] || fail "version $(field Version), project $version"
depends=$(field Depends)
echo "Depends: $depends"
# Found from the program's shared libraries, not written by hand.
for lib in libqt6widgets6 libqt6dbus6 libqt6network6 libmpg123-0 libpulse0 libsdl2-2.0-0 libc6; do
  grep -q "\b$lib\b" <<<"$depends" || fail "Depends lacks $lib"
done
for tool in libgtest gtest benchmark xvfb clang weston xwayland ngircd playerctl lintian pulseaudio\
            dbus-x11 -dev; do
  ! grep -q -- "$tool" <<<"$depends,$(field Recommends)" || fail "a test or build package is pulled in: $tool"
done

root=$work/root
dpkg -x "$deb" "$root"
share=$root/usr/share
for f in usr/bin/ravelin usr/share/applications/ravelin.desktop usr/share/metainfo/ravelin.metainfo.xml \
         usr/share/icons/hicolor/scalable/apps/ravelin.svg usr/share/man/man1/ravelin.1.gz \
         usr/share/doc/ravelin/README.md usr/share/doc/ravelin/copyright usr/share/doc/ravelin/changelog.gz; do
  [ -s "$root/$f" ] || fail "$f is not in the package"
done
for size in 16 32 48 64 128 256; do
  png=$share/icons/hicolor/${size}x${size}/apps/ravelin.png
  [ -s "$png" ] || fail "no ${size}x${size} icon"
  # A PNG's width and height are the two big-endian words after its signature and IHDR head.
  [ "$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4 "x" $7*256+$8}')" = "${size}x${size}" ] \
    || fail "the ${size}x${size} icon is not that size"
done
# Nothing of the tests or the tools comes along.
extra=$(cd "$root" && find . -type f | grep -v -e '^./usr/share/icons/' -e '^./usr/share/doc/ravelin/' | sort | tr '\n' ' ')
[ "$extra" = "./usr/bin/ravelin ./usr/share/applications/ravelin.desktop ./usr/share/man/man1/ravelin.1.gz ./usr/share/metainfo/ravelin.metainfo.xml " ] \
  || fail "unexpected files: $extra"
[ "$("$root/usr/bin/ravelin" --version)" = "ravelin $version" ] || fail "the packaged program's --version"
zcat "$share/man/man1/ravelin.1.gz" | grep -q "Ravelin $version" || fail "the manual page's version"
grep -q "^Upstream-Name: ravelin$" "$share/doc/ravelin/copyright" || fail "copyright"
zcat "$share/doc/ravelin/changelog.gz" | head -1 | grep -qF "ravelin ($version)" || fail "changelog"
desktop-file-validate "$share/applications/ravelin.desktop" || fail "desktop-file-validate"
metainfo=$share/metainfo/ravelin.metainfo.xml
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo's release is not $version"
grep -q '<binary>ravelin</binary>' "$metainfo" || fail "the metainfo does not provide the binary"
[ "$(grep -c '<image>' "$metainfo")" = 6 ] || fail "the metainfo lacks screenshots"
# Each screenshot named there is one kept in data/screenshots.
src=$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$build/CMakeCache.txt")
for shot in $(sed -n 's#.*<image>.*/\([^/<]*\)</image>.*#\1#p' "$metainfo"); do
  [ -s "$src/data/screenshots/$shot" ] || fail "screenshot $shot is not in data/screenshots"
done

# Warnings are the maintainers' to weigh; an error fails.
lintian_ok=0
lintian --fail-on error "$deb" > "$work/lintian.txt" 2>&1 || lintian_ok=$?
grep -v 'running with root privileges' "$work/lintian.txt" || true
[ "$lintian_ok" -eq 0 ] || fail "lintian found errors"

if [ "$(id -u)" -eq 0 ] && command -v apt-get >/dev/null; then
  if dpkg-query -W -f='${db:Status-Status}' ravelin 2>/dev/null | grep -qx installed; then
    echo "a ravelin package is installed already: not installed over it"
  else
    apt_quiet() { DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=120 -y -q "$@" > "$work/apt.log" 2>&1 \
      || { cat "$work/apt.log"; fail "apt-get $*"; }; }
    # Whatever fails, the package does not stay installed.
    trap 'apt-get -o DPkg::Lock::Timeout=120 -y -q remove ravelin >/dev/null 2>&1; rm -rf "$work"' EXIT
    start=$SECONDS
    apt_quiet install --no-install-recommends "$deb"
    [ "$(/usr/bin/ravelin --version)" = "ravelin $version" ] || fail "the installed ravelin --version"
    MANWIDTH=80 man ravelin 2>/dev/null | grep -q -- '--new-instance' || fail "man ravelin"
    apt_quiet remove ravelin
    trap 'rm -rf "$work"' EXIT
    [ ! -e /usr/bin/ravelin ] || fail "removing the package left /usr/bin/ravelin"
    echo "installed with apt-get, ran, removed in $((SECONDS - start)) s"
  fi
fi
echo ok
