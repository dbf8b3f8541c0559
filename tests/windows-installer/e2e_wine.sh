#!/usr/bin/env bash
# End-to-end: the cross-built ferrovan-setup.exe under Wine on a virtual X display, in a fresh
# Wine prefix with a private HOME, three times:
#   1. folder-choice mode: installs below the documents folder; the tree, the Ferrovan.lnk
#      shortcut (read back through IShellLinkA), the font registration, the success message and
#      the launch with FIRST_RUN are checked;
#   2. update mode through an AppPath value set with `wine reg add`: installs over that folder;
#   3. update mode again while the installed Ferrovan.exe runs: the built-in failure prompt (titled
#      Confirm) is answered Ignore and the run ends with the running-application message.
# The program is driven through its test hook (KS_SETUP_AUTOPILOT) and reports what it showed
# through KS_SETUP_TRACE. Exit 77 (skipped) when Wine or Xvfb is missing.
set -uo pipefail
BUILD=$1
BIN="$BUILD/bin"
for tool in wine wineserver winepath Xvfb cmp; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is missing"; exit 77; }
done
WORK=$(mktemp -d /tmp/ferrovan-wine-e2e.XXXXXX)
export HOME="$WORK/home" WINEPREFIX="$WORK/prefix" WINEDEBUG=-all
# No Mono or Gecko installers, and no desktop entries made from the shortcut.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
mkdir -p "$HOME"
XPID=
cleanup() {
  wineserver -k 2>/dev/null
  [ -n "$XPID" ] && kill "$XPID" 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$WORK/display" 2>/dev/null &
XPID=$!
for _ in $(seq 50); do [ -s "$WORK/display" ] && break; sleep 0.1; done
[ -s "$WORK/display" ] || { echo "FAIL: Xvfb did not start"; exit 1; }
export DISPLAY=":$(cat "$WORK/display")"
wine wineboot --init >/dev/null 2>&1
wineserver -w

win() { echo "Z:$(echo "$1" | tr / '\\')"; } # a path of this machine as Wine's programs see it
unix() { winepath -u "$1" 2>/dev/null; }
shot() { command -v import >/dev/null && import -display "$DISPLAY" -window root "$1" 2>/dev/null; }

fails=0
check() { # $1: description, rest: command
  local what=$1; shift
  if "$@"; then echo "ok: $what"; else echo "FAIL: $what"; fails=$((fails + 1)); fi
}
traced() { grep -qF -- "$2" "$1"; } # $1: trace file, $2: exact text of a line's part
not() { ! "$@"; }

# run NAME STEPS: one installer run; a screenshot NAME.png is taken when the window is up.
run() {
  local name=$1 steps=$2
  rm -f "$WORK/ready" "$WORK/go"
  KS_SETUP_TRACE="$(win "$WORK/$name.trace")" FERROVAN_AUTOCLOSE=1 \
  KS_SETUP_AUTOPILOT="signal=$(win "$WORK/ready");await=$(win "$WORK/go");$steps" \
    timeout 180 wine "$BIN/ferrovan-setup.exe" >"$WORK/$name.out" 2>&1 &
  local pid=$!
  for _ in $(seq 300); do [ -f "$WORK/ready" ] && break; sleep 0.2; done
  sleep 1
  shot "$WORK/$name.png"
  touch "$WORK/go"
  wait $pid
  local rc=$?
  echo "--- $name (exit $rc):"; cat "$WORK/$name.trace" 2>/dev/null
  check "$name: the installer ended by itself" test $rc = 0
}
# Waits until the launched program has written its log line (it is started detached).
await_log() { for _ in $(seq 150); do [ "$(grep -c '^args=' "$1" 2>/dev/null)" -ge "$2" ] && return 0; sleep 0.2; done; return 1; }

SUCCESS='message: Telepítés sikeresen befejeződött.\r\n\r\nA kitöltőprogram használata elött \r\nkérjük indítsa újra a számítógépét!'
RUNNING='message: A telepítés nem lehetséges, mert a kitöltőprogram jelenleg is fut. Kérem lépjen ki a kitöltőprogramból és futtassa újra a telepítőt.'

# ---- 1. folder-choice mode -----------------------------------------------------------------------
run 1-folder-choice "click=run;answer=ok"
T1=$WORK/1-folder-choice.trace
DIR=$(sed -n 's/^mode: folder-choice //p' "$T1")
check "first run in folder-choice mode" test -n "$DIR"
TW="${DIR%\\}\\Ferrovan"        # the target folder, as Windows names it
T=$(unix "$TW")
check "Ferrovan.exe is the payload's program" cmp -s "$T/Ferrovan.exe" "$BIN/Ferrovan.exe"
for d in Kezikonyv_elemei Adatlap PyLib Torzs; do check "$d\\ exists" test -d "$T/$d"; done
check "nested folders survive" test -f "$T/Kezikonyv_elemei/kepek/stilus.css"
check "Hungarian names survive" test -f "$T/Adatlap/sablonok/Árvíztűrő tükörfúrógép.xml"
check "the HTML pages are installed" test -f "$T/Olvass_el.html" -a -f "$T/Licenc.html"
check "Torzs10018.pck equals Torzs.zip" cmp -s "$T/Torzs/Torzs10018.pck" "$BUILD/installer/win32/payload/Torzs.zip"
check "no DataPack.* left" test -z "$(find "$T" -name 'DataPack.*')"
check "no nested archives left" test -z "$(find "$T" -name '*.zip')"
attr=$(wine "$BIN/ferrovan-check.exe" attr "$TW\\PyLib" | tr -d '\r' | sed -n 's/^attr=//p')
check "PyLib is hidden and system ($attr)" test -n "$attr" -a $(( attr & 6 )) = 6
DESK=$(wine "$BIN/ferrovan-check.exe" desktop | tr -d '\r' | sed -n 's/^desktop=//p')
LNK=$(wine "$BIN/ferrovan-check.exe" lnk "${DESK%\\}\\Ferrovan.lnk" | tr -d '\r')
check "Ferrovan.lnk starts $TW\\Ferrovan.exe" test "$(echo "$LNK" | sed -n 's/^path=//p')" = "$TW\\Ferrovan.exe"
check "Ferrovan.lnk works in $TW\\" test "$(echo "$LNK" | sed -n 's/^workdir=//p' | sed 's/\\$//')" = "$TW"
check "the font was registered (one font added)" traced "$T1" "font: $TW\\IDAutomationHC39M_Free.ttf = 1"
check "the font change was broadcast" traced "$T1" "fontchange: broadcast"
check "no font failure message" not grep -q '^message: Betütípus' "$T1"
check "the success message" traced "$T1" "$SUCCESS"
check "the program is launched with FIRST_RUN in its folder" traced "$T1" "launch: $TW\\Ferrovan.exe FIRST_RUN in $TW\\ = "
check "the program ran with FIRST_RUN" await_log "$T/Ferrovan.log" 1
check "its argument was FIRST_RUN" grep -qx $'args=FIRST_RUN\r\\?' "$T/Ferrovan.log"
check "its working folder was the installed folder" grep -qx "cwd=$(printf '%s' "$TW" | sed 's/\\/\\\\/g')\\\\\\?" "$T/Ferrovan.log"

# ---- 2. update mode through the registry ---------------------------------------------------------
U="$WINEPREFIX/drive_c/Frissites"
mkdir -p "$U"
echo "old program" >"$U/Ferrovan.exe"
echo "old page" >"$U/Licenc.html"
wine reg add 'HKCU\Software\Larkspur\Ferrovan' /v AppPath /t REG_SZ /d 'C:\Frissites\' /f >/dev/null 2>&1
wineserver -w
run 2-update "click=run;answer=ok"
T2=$WORK/2-update.trace
check "second run in update mode at C:\\Frissites\\" traced "$T2" 'mode: update C:\Frissites\'
check "the old program was replaced" cmp -s "$U/Ferrovan.exe" "$BIN/Ferrovan.exe"
check "the old page was replaced" cmp -s "$U/Licenc.html" "$T/Licenc.html"
check "the data package is in place" test -f "$U/Torzs/Torzs10018.pck"
check "no Ferrovan folder made inside it" test ! -e "$U/Ferrovan"
check "the success message" traced "$T2" "$SUCCESS"
check "the program ran there with FIRST_RUN" await_log "$U/Ferrovan.log" 1
check "the first installation was left alone" test "$(grep -c '^args=' "$T/Ferrovan.log")" = 1

# ---- 3. the application is running -------------------------------------------------------------
# The installed program runs from C:\Frissites (Windows keeps a running program's file from
# being replaced); its FIRST_RUN log line tells that it is up.
rm -f "$U/Licenc.html"
FERROVAN_AUTOCLOSE=120 wine 'C:\Frissites\Ferrovan.exe' FIRST_RUN >/dev/null 2>&1 &
APP=$!
check "Ferrovan.exe is running" await_log "$U/Ferrovan.log" 2
run 3-running "click=run;answer=ignore;answer=ok"
T3=$WORK/3-running.trace
check "still in update mode" traced "$T3" 'mode: update C:\Frissites\'
check "the failure prompt asked about Ferrovan.exe" grep -q '^confirm: Abort/Retry/Ignore: .*Ferrovan\.exe.*File processing error, possibly disk is full$' "$T3"
check "the prompt was titled Confirm and answered Ignore" traced "$T3" 'autopilot: answer ignore to "Confirm"'
check "the answer reached the engine" traced "$T3" 'answer: Ignore'
check "the running-application message" traced "$T3" "$RUNNING"
check "no success message" not traced "$T3" "$SUCCESS"
check "the other files were still installed" cmp -s "$U/Licenc.html" "$T/Licenc.html"
check "the launch is still attempted" traced "$T3" 'launch: C:\Frissites\Ferrovan.exe FIRST_RUN in C:\Frissites\ = '
kill "$APP" 2>/dev/null

# Update mode shows the rule Panel5 (#265527) where folder-choice mode shows the directory list.
if command -v convert >/dev/null && [ -f "$WORK/1-folder-choice.png" ] && [ -f "$WORK/2-update.png" ]; then
  # The frame (#265527) starts the client area: the first such pixel of the window's middle
  # column; the rule is 2 px high at client y 148 (Panel1 at 2, the page at 37, the rule at 109).
  column() { convert "$1" -crop 1x768+512+0 -depth 8 txt:- 2>/dev/null; }
  pixel() {
    local top
    top=$(column "$1" | grep -m1 '#265527' | sed 's/^0,\([0-9]*\):.*/\1/')
    [ -n "$top" ] && column "$1" | grep "^0,$((top + 148)):" | grep -o '#[0-9A-F]\{6\}' | head -1
  }
  check "folder-choice window has no rule" test "$(pixel "$WORK/1-folder-choice.png")" != "#265527"
  check "update window shows the rule" test "$(pixel "$WORK/2-update.png")" = "#265527"
  # The caption of btnRun (client 327, 288, 163 x 33) is drawn in #265527 as every text is; the
  # client's left edge is the first frame pixel of the frame's second row.
  caption_colour() {
    local top left
    top=$(column "$1" | grep -m1 '#265527' | sed 's/^0,\([0-9]*\):.*/\1/')
    [ -n "$top" ] || return 1
    left=$(convert "$1" -crop "1024x1+0+$((top + 1))" -depth 8 txt:- 2>/dev/null | grep -m1 '#265527' |
      sed 's/^\([0-9]*\),.*/\1/')
    [ -n "$left" ] || return 1
    local n # counted, not grep -q: that would end convert early, which pipefail counts as failure
    n=$(convert "$1" -crop "155x25+$((left + 331))+$((top + 292))" -depth 8 txt:- 2>/dev/null | grep -c '#265527')
    [ "${n:-0}" -gt 0 ]
  }
  check "the run button's caption is #265527" caption_colour "$WORK/1-folder-choice.png"
fi
if [ -n "${KS_E2E_SHOTS:-}" ]; then mkdir -p "$KS_E2E_SHOTS" && cp "$WORK"/*.png "$KS_E2E_SHOTS"/ 2>/dev/null; fi
[ $fails = 0 ] || { echo "$fails check(s) failed"; exit 1; }
echo "all checks passed"
