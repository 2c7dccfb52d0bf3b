#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR whose name has blanks, twice (the second run
# installs over the first), and checks what a desktop finds there: the programs, the
# launcher and its icon, the AppStream metainfo and the manual pages.
# usage: check_install.sh BUILD_DIR WITH_GUI(0|1) WITH_PNG_ICONS(0|1)
set -uo pipefail
build=$1 gui=$2 pngs=$3
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
dest="$tmp/stage with blanks"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

for round in first second; do
  DESTDIR="$dest" cmake --install "$build" --prefix /usr >"$tmp/install.log" 2>&1 ||
    { cat "$tmp/install.log"; fail "cmake --install ($round)"; }
done
usr="$dest/usr"
share="$usr/share"

expect=(bin/mivaro-tool share/man/man1/mivaro-tool.1)
if [ "$gui" = 1 ]; then
  expect+=(bin/mivaro share/applications/mivaro.desktop share/metainfo/org.mivaro.Mivaro.metainfo.xml
    share/man/man1/mivaro.1 share/icons/hicolor/scalable/apps/mivaro.svg)
  [ "$pngs" = 1 ] && expect+=(share/icons/hicolor/48x48/apps/mivaro.png)
fi
for f in "${expect[@]}"; do
  [ -f "$usr/$f" ] || fail "missing $f"
done

# The installed programs must not load anything from the build tree.
for exe in "$usr"/bin/*; do
  if readelf -d "$exe" | grep -E 'R(UN)?PATH' | grep -qF "$build"; then
    fail "$exe keeps a search path into the build folder"
  fi
done

# The installed tool runs from the staging tree, and its manual covers every command it lists.
help=$("$usr/bin/mivaro-tool" --help) || fail "installed mivaro-tool --help exits non-zero"
commands=$(printf '%s\n' "$help" | sed -n 's/^  \([a-z][a-z-]*\) .*/\1/p')
[ -n "$commands" ] || fail "mivaro-tool --help lists no commands"

render() {  # prints the page as text; man's warnings about the source go to stderr
  MANWIDTH=80 LC_ALL=C.UTF-8 man --warnings -l "$1" 2>"$tmp/man.err"
}
# render runs in a command substitution, so its warnings are judged here, in this shell.
check_man_warnings() {
  if [ -s "$tmp/man.err" ]; then cat "$tmp/man.err"; fail "man warnings in $1"; fi
}
tool_page=$(render "$share/man/man1/mivaro-tool.1")
check_man_warnings mivaro-tool.1
for c in $commands; do
  grep -qE "^ +$c( |$)" <<<"$tool_page" || fail "manual page lacks command '$c'"
done
grep -q "EXIT STATUS" <<<"$tool_page" || fail "mivaro-tool(1) lacks EXIT STATUS"

if [ "$gui" = 1 ]; then
  player_page=$(render "$share/man/man1/mivaro.1")
  check_man_warnings mivaro.1
  grep -q "^SYNOPSIS" <<<"$player_page" || fail "mivaro(1) does not render"
  launcher="$share/applications/mivaro.desktop"
  desktop-file-validate "$launcher" || fail "desktop-file-validate"
  exec_word=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$launcher")
  [ -x "$usr/bin/$exec_word" ] || fail "launcher runs '$exec_word', which is not installed"
  grep -q '^Exec=.* %F$' "$launcher" || fail "launcher does not pass several files (%F)"
  icon=$(sed -n 's/^Icon=//p' "$launcher")
  [ -f "$share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "launcher icon '$icon' not installed"
  if [ "$pngs" = 1 ]; then
    # PNG header: the width is the big-endian 32-bit number at byte 16.
    width=$(od -An -tu1 -j16 -N4 "$share/icons/hicolor/48x48/apps/$icon.png" |
      awk '{print $1*16777216 + $2*65536 + $3*256 + $4}')
    [ "$width" = 48 ] || fail "48x48 icon is $width pixels wide"
  fi
  appstreamcli validate --no-net "$share/metainfo/org.mivaro.Mivaro.metainfo.xml" ||
    fail "appstreamcli validate"
fi

[ "$failures" -eq 0 ] && echo "install layout OK"
exit $((failures > 0))
