#!/usr/bin/env bash
# End-to-end: the built ferrovan-setup on a virtual X server, driven with real X input by
# tools/run-installer.sh into a private HOME, twice (folder choice, then update mode); then the
# installed tree, the desktop entry, the font registration and the sample program's log are
# checked. Exit 77 (skipped) when Xvfb, xdotool or ImageMagick is missing.
set -uo pipefail
BUILD=$1
SRC=$(cd "$(dirname "$0")/../.." && pwd)
for tool in Xvfb xdotool import convert python3; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is missing"; exit 77; }
done
# Under the sanitizers: leaks inside system libraries the X platform plugin loads are not ours.
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$SRC/tests/installer/lsan.supp"
WORK=$(mktemp -d /tmp/ferrovan-e2e.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
H="$WORK/home"
mkdir -p "$H"
KS_FORCE_XVFB=1 KS_DEMO_HOME="$H" KS_DEMO_DIR="$WORK/shots" "$SRC/tools/run-installer.sh" "$BUILD" >"$WORK/run.log" 2>&1
rc=$?
cat "$WORK/run.log"
[ $rc = 0 ] || { echo "FAIL: run-installer exited with $rc"; exit 1; }

T="$H/Ferrovan"
fails=0
check() { # $1: description, rest: command
  local what=$1; shift
  if "$@"; then echo "ok: $what"; else echo "FAIL: $what"; fails=$((fails + 1)); fi
}
check "Ferrovan.exe is installed and executable" test -x "$T/Ferrovan.exe"
for d in Kezikonyv_elemei Adatlap PyLib Torzs; do check "$d/ exists" test -d "$T/$d"; done
check "nested folders survive" test -f "$T/Kezikonyv_elemei/kepek/stilus.css"
check "Hungarian names survive" test -f "$T/Adatlap/sablonok/Árvíztűrő tükörfúrógép.xml"
check "PyLib is marked hidden and system" python3 -c "
import os, sys
v = os.getxattr(sys.argv[1], 'user.ks.dosattrib').decode()
sys.exit(0 if int(v, 0) & 6 == 6 else 1)" "$T/PyLib"
check "Torzs10018.pck equals Torzs.zip" cmp -s "$T/Torzs/Torzs10018.pck" "$BUILD/installer/qt/payload/Torzs.zip"
check "no DataPack.* left" test -z "$(find "$T" -name 'DataPack.*')"
check "no nested archives left" test -z "$(find "$T" -name '*.zip')"
check "desktop entry starts the program in its folder" grep -qx "Exec=\"$T/Ferrovan.exe\"" "$H/Desktop/Ferrovan.desktop"
check "desktop entry working folder" grep -qx "Path=$T/" "$H/Desktop/Ferrovan.desktop"
check "desktop entry is executable" test -x "$H/Desktop/Ferrovan.desktop"
check "the font is registered for the user" sh -c "HOME='$H' XDG_DATA_HOME='$H/.local/share' fc-list : file | grep -q '$H/.local/share/fonts/IDAutomationHC39M_Free.ttf'"
check "the program was started twice with FIRST_RUN" test "$(grep -c '^args=FIRST_RUN$' "$T/Ferrovan.log")" = 2
check "in the installed folder" test "$(grep -c "^cwd=$T\$" "$T/Ferrovan.log")" = 2
check "the program stored its folder" grep -q "^AppPath=$T/\$" "$H/.config/Larkspur/Ferrovan.conf"
# Update mode shows the rule Panel5 (#265527) where folder-choice mode shows the directory list.
pixel() { convert "$1" -crop 1x1+300+148 -depth 8 txt:- | grep -o '#[0-9A-F]\{6\}' | head -1; }
check "first run in folder-choice mode" test "$(pixel "$WORK/shots/01-folder-choice-window.png")" != "#265527"
check "second run in update mode" test "$(pixel "$WORK/shots/03-update-mode-window.png")" = "#265527"
[ $fails = 0 ] || { echo "$fails check(s) failed"; exit 1; }
echo "all checks passed"
