#!/usr/bin/env bash
# Starts the installer built in BUILD (default: build).
#
# With a display it simply starts build/bin/ferrovan-setup there. Without one (or with
# KS_FORCE_XVFB=1) it shows the main job on a virtual X server: the installer is started in a
# temporary HOME, "Telepítés indítása" is pressed with real X input, the final message is
# confirmed, screenshots of the window before and after go to BUILD/demo/, the installed tree is
# printed, and a second run shows update mode.
#
# Environment: KS_DEMO_DIR (screenshots, default BUILD/demo), KS_DEMO_HOME (the HOME to install
# into; kept afterwards when given), KS_FORCE_XVFB=1 (use a virtual display even when one is set).
set -euo pipefail

BUILD=${1:-build}
SETUP="$BUILD/bin/ferrovan-setup"
[ -x "$SETUP" ] || { echo "run-installer: $SETUP is not built" >&2; exit 2; }

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ "${KS_FORCE_XVFB:-0}" != 1 ]; then
  exec "$SETUP"
fi

for tool in Xvfb xdotool import; do
  command -v "$tool" >/dev/null || { echo "run-installer: $tool is needed for the headless demonstration" >&2; exit 77; }
done

DEMO=${KS_DEMO_DIR:-$BUILD/demo}
mkdir -p "$DEMO"
DEMO=$(cd "$DEMO" && pwd)
if [ -n "${KS_DEMO_HOME:-}" ]; then
  DHOME=$KS_DEMO_HOME; KEEP_HOME=1
else
  DHOME=$(mktemp -d /tmp/ferrovan-demo.XXXXXX); KEEP_HOME=0
fi
mkdir -p "$DHOME/Documents" "$DHOME/Desktop" "$DHOME/.config"

# Xvfb picks a free display itself and names it once it accepts clients: choosing a number here
# and starting the server after would race with any other server starting meanwhile.
DFILE=$(mktemp)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$DFILE" >/dev/null 2>&1 &
XVFB=$!
SETUP_PID=""
cleanup() {
  [ -n "$SETUP_PID" ] && kill "$SETUP_PID" 2>/dev/null || true
  kill "$XVFB" 2>/dev/null || true
  wait "$XVFB" 2>/dev/null || true
  rm -f "$DFILE"
  [ "$KEEP_HOME" = 1 ] || rm -rf "$DHOME"
}
trap cleanup EXIT

N=""
for _ in $(seq 300); do
  N=$(head -n 1 "$DFILE" 2>/dev/null || true)
  [ -n "$N" ] && break
  kill -0 "$XVFB" 2>/dev/null || break
  sleep 0.05
done
[ -n "$N" ] || { echo "run-installer: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$N"

export HOME="$DHOME" XDG_CONFIG_HOME="$DHOME/.config" XDG_DATA_HOME="$DHOME/.local/share"
export XDG_DOCUMENTS_DIR="$DHOME/Documents" XDG_DESKTOP_DIR="$DHOME/Desktop"
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY
# The sample application closes its demonstration window by itself.
export FERROVAN_AUTOCLOSE=4

# Waits for a visible window whose name matches $1 (a regular expression); prints its id.
wait_window() {
  local id=""
  for _ in $(seq 200); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  echo "run-installer: no window named '$1' appeared" >&2
  return 1
}
# Left-clicks at (x, y) in window $1's client area: real pointer input through the X server.
click_in() {
  xdotool mousemove --window "$1" "$2" "$3" sleep 0.2 click 1
}
shot() { # $1: file name, $2: window id (default: the whole screen)
  sleep 0.5
  import -window "${2:-root}" "$DEMO/$1"
  echo "  screenshot: $DEMO/$1"
}
# Centre of a control in TfrmMain's client area: Panel1 at (2,2), Panel2 at (0,272) inside it.
BTN_RUN_X=$((2 + 325 + 163 / 2)); BTN_Y=$((2 + 272 + 14 + 33 / 2))
BTN_EXIT_X=$((2 + 493 + 99 / 2))

run_once() { # $1: screenshot prefix, $2: "install" or "exit"
  "$SETUP" &
  SETUP_PID=$!
  local win
  win=$(wait_window '^  $')
  shot "$1-window.png" "$win"
  if [ "$2" = exit ]; then
    click_in "$win" "$BTN_EXIT_X" "$BTN_Y"
  else
    click_in "$win" "$BTN_RUN_X" "$BTN_Y"
    local box
    box=$(wait_window 'Az elektronikus')
    shot "$1-final-message.png"
    xdotool windowactivate --sync "$box" key --window "$box" Return 2>/dev/null || xdotool key Return
  fi
  for _ in $(seq 300); do kill -0 "$SETUP_PID" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$SETUP_PID" 2>/dev/null; then
    echo "run-installer: the installer did not close" >&2
    return 1
  fi
  wait "$SETUP_PID" || true
  SETUP_PID=""
}

echo "== First run (folder-choice mode), HOME=$DHOME"
run_once 01-folder-choice install
TARGET="$DHOME/Ferrovan"
# The started sample application shows its window for a few seconds.
if win=$(wait_window '^Ferrovan$' 2>/dev/null); then shot 02-sample-application.png; fi
for _ in $(seq 100); do [ -s "$TARGET/Ferrovan.log" ] && break; sleep 0.1; done
echo "== Installed tree ($TARGET)"
(cd "$DHOME" && find Ferrovan Desktop .local/share/fonts -print 2>/dev/null | sort | sed 's/^/  /')
echo "== Sample application log"
sed 's/^/  /' "$TARGET/Ferrovan.log" 2>/dev/null || echo "  (no log)"
sleep 5 # the sample window closes itself
echo "== Second run (update mode over $TARGET/)"
run_once 03-update-mode install
sleep 5
echo "== Screenshots are in $DEMO"
