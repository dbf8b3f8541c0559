#!/usr/bin/env bash
# The console cases of windows_tests and a `kestrel.exe list` on a real console: Wine runs each
# program on a pseudo-terminal (script), which it presents to the program as its console. Exit 77
# (skipped) when script(1) is missing.
#   $1: the Wine runner, $2: windows_tests.exe, $3: kestrel.exe, $4: the fixture folder
set -uo pipefail
RUN=$1 TESTS=$2 KESTREL=$3 FIXTURES=$4
command -v script >/dev/null || { echo "skipped: script is missing"; exit 77; }
WORK=$(mktemp -d /tmp/ks-console.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
# Wine shows a console's characters on the terminal in the locale's encoding.
export LC_ALL=C.UTF-8
on_console() { # $1: typescript, rest: the command
  local log=$1; shift
  script -qec "$(printf '%q ' "$@")" "$log" </dev/null >/dev/null 2>&1
}
not() { ! "$@"; }
fails=0
check() {
  local what=$1; shift
  if "$@"; then echo "ok: $what"; else echo "FAIL: $what"; fails=$((fails + 1)); fi
}

# The test program's own report: its console output comes back redrawn by Wine's console.
on_console "$WORK/tests.log" "$RUN" "$TESTS" --gtest_color=no \
  --gtest_filter='Writes/ConsoleText.*:ConsoleStandardOutput.*' --gtest_output="json:Z:$WORK/report.json"
rc=$?
check "the console cases passed" test $rc = 0
check "all five ran" grep -q '"tests": 5,' "$WORK/report.json"
check "none failed" grep -q '"failures": 0,' "$WORK/report.json"
check "none was skipped (a console was there)" not grep -q '"SKIPPED"' "$WORK/report.json"

on_console "$WORK/list.log" "$RUN" "$KESTREL" list --oem-cp 852 --ansi-cp 1250 "$FIXTURES/zip_cp852_names.zip"
rc=$?
check "kestrel list ended with 0 ($rc)" test $rc = 0
check "the console showed kertő.txt" grep -q 'kertő\.txt' "$WORK/list.log"
check "the console showed árvíz.txt" grep -q 'árvíz\.txt' "$WORK/list.log"
if [ $fails != 0 ]; then
  echo "--- the test report:"; cat "$WORK/report.json" 2>/dev/null
  echo "--- kestrel list on the console:"; cat "$WORK/list.log"
  echo "$fails check(s) failed"; exit 1
fi
echo "all checks passed"
