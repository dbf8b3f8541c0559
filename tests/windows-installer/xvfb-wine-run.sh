#!/bin/sh
# Runs one command (the Wine runner and a Windows test program) on a virtual X display of its
# own, which Wine needs for windows; the display ends with the command. Without Xvfb the
# command runs as it is.
command -v Xvfb >/dev/null 2>&1 || exec "$@"
fd_file=$(mktemp /tmp/ks-xvfb.XXXXXX)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$fd_file" 2>/dev/null &
xpid=$!
i=0
while [ ! -s "$fd_file" ] && [ $i -lt 100 ]; do sleep 0.05; i=$((i + 1)); done
DISPLAY=":$(cat "$fd_file")"
export DISPLAY
rm -f "$fd_file"
"$@"
rc=$?
kill "$xpid" 2>/dev/null
wait "$xpid" 2>/dev/null
exit $rc
