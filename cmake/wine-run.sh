#!/bin/sh
# Runs one Windows program under Wine, headless and in the build's own Wine prefix.
#
# The prefix is KS_WINEPREFIX (the toolchain file sets it to <build folder>/wineprefix; the
# default here is build-win/wineprefix of this checkout), so test runs never touch ~/.wine.
# The first call creates it.
# Wine's own diagnostics are silenced so that test output is only the program's.
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
: "${KS_WINEPREFIX:=$here/build-win/wineprefix}"
export WINEPREFIX="$KS_WINEPREFIX"
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installer dialogs when the prefix is created.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
# Binaries are 64-bit only; Debian's wine wrapper otherwise nags about wine32.
WINE=${KS_WINE:-wine}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  "$WINE" wineboot --init >/dev/null 2>&1 || true
  wineserver -w 2>/dev/null || true
fi
exec "$WINE" "$@"
