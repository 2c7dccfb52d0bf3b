#!/usr/bin/env bash
# Builds the Debian package into a temporary folder and checks that its control data lists
# the shared libraries the programs need (computed by dpkg-shlibdeps) and holds the programs.
# usage: check_package.sh BUILD_DIR WITH_GUI(0|1)
set -uo pipefail
build=$1 gui=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
(cd "$build" && cpack -G DEB -B "$tmp" >"$tmp/cpack.log" 2>&1) || { cat "$tmp/cpack.log"; exit 1; }
deb=$(ls "$tmp"/mivaro_*.deb 2>/dev/null | head -1)
[ -n "$deb" ] || { echo "FAIL: no package built"; exit 1; }
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
status=0
need=(libc6 libicu libglib2.0-0 libgstreamer1.0-0)
[ "$gui" = 1 ] && need+=(libqt6widgets6)
for lib in "${need[@]}"; do
  grep -q "$lib" <<<"$depends" || { echo "FAIL: Depends lacks $lib"; status=1; }
done
files=$(dpkg-deb -c "$deb")
grep -q ' ./usr/bin/mivaro-tool$' <<<"$files" || { echo "FAIL: package lacks mivaro-tool"; status=1; }
exit $status
