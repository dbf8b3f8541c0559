#!/usr/bin/env bash
# The console cases of windows_tests, and kestrel.exe on a real console: Wine runs each program
# on a pseudo-terminal (script), which it presents to the program as its console. kestrel.exe
# lists names outside the console's code page, asks its overwrite questions there and reads a
# password without echo, each answered by typing. Exit 77 (skipped) when script(1) is missing.
#   $1: the Wine runner, $2: windows_tests.exe, $3: kestrel.exe, $4: the command-line fixtures,
#   $5: the encrypted fixtures
set -uo pipefail
RUN=$1 TESTS=$2 KESTREL=$3 FIXTURES=$4 ENCRYPTED=$5
command -v script >/dev/null || { echo "skipped: script is missing"; exit 77; }
WORK=$(mktemp -d /tmp/ks-console.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
# Wine shows a console's characters on the terminal in the locale's encoding.
export LC_ALL=C.UTF-8
on_console() { # $1: typescript, rest: the command; what is typed comes on standard input
  local log=$1; shift
  script -qfec "$(printf '%q ' "$@")" "$log" >/dev/null 2>&1
}
not() { ! "$@"; }
fails=0
check() {
  local what=$1; shift
  if "$@"; then echo "ok: $what"; else echo "FAIL: $what"; fails=$((fails + 1)); fi
}

# The test program's own report: its console output comes back redrawn by Wine's console.
on_console "$WORK/tests.log" "$RUN" "$TESTS" --gtest_color=no \
  --gtest_filter='Writes/ConsoleText.*:ConsoleStandardOutput.*' --gtest_output="json:Z:$WORK/report.json" </dev/null
rc=$?
check "the console cases passed" test $rc = 0
check "all five ran" grep -q '"tests": 5,' "$WORK/report.json"
check "none failed" grep -q '"failures": 0,' "$WORK/report.json"
check "none was skipped (a console was there)" not grep -q '"SKIPPED"' "$WORK/report.json"

on_console "$WORK/list.log" "$RUN" "$KESTREL" list --oem-cp 852 --ansi-cp 1250 "$FIXTURES/zip_cp852_names.zip" \
  </dev/null
rc=$?
check "kestrel list ended with 0 ($rc)" test $rc = 0
check "the console showed kertő.txt" grep -q 'kertő\.txt' "$WORK/list.log"
check "the console showed árvíz.txt" grep -q 'árvíz\.txt' "$WORK/list.log"
# Three items to replace: "n" (Enter is a carriage return on a terminal) for hello.txt, then "A"
# (yes to all) for dir/lines.txt, and no third question.
OUT=$WORK/out
on_console "$WORK/prep.log" "$RUN" "$KESTREL" extract "$FIXTURES/extract/py_tree.zip" -d "$OUT" </dev/null
truncate -s 1 "$OUT/hello.txt" "$OUT/dir/lines.txt" "$OUT/dir/noise.bin"
# Types $2 once the question has been asked $1 times in the typescript $3.
answer() {
  for _ in $(seq 600); do
    [ "$(grep -o '\[N\]one?' "$3" 2>/dev/null | wc -l)" -ge "$1" ] && break
    sleep 0.1
  done
  printf '%s\r' "$2"
}
(answer 1 n "$WORK/ask.log"; answer 2 A "$WORK/ask.log") |
  on_console "$WORK/ask.log" sh -c '"$@"; echo "rc=$?"' sh "$RUN" "$KESTREL" extract "$FIXTURES/extract/py_tree.zip" -d "$OUT"
check "the overwrite question was asked twice" test "$(grep -o 'Confirm: Overwrite file' "$WORK/ask.log" | wc -l)" = 2
check "its answers were offered" grep -q '\[y\]es, \[n\]o, \[A\]ll, \[N\]one?' "$WORK/ask.log"
check "the skipped item made the status 1" grep -q 'rc=1' "$WORK/ask.log"
check "hello.txt was kept (No)" test "$(stat -c %s "$OUT/hello.txt")" = 1
check "dir/lines.txt was replaced (All)" test "$(stat -c %s "$OUT/dir/lines.txt")" = 6000
check "dir/noise.bin was replaced without a question" test "$(stat -c %s "$OUT/dir/noise.bin")" = 20000

# A password typed on the console is read without echo: "wrong" first, then "secret". (Wine draws
# the blank at the end of a prompt as a cursor move, so the prompts are found without it.)
PW=$WORK/pw
password() { # $1: how many prompts must be shown before $2 is typed
  for _ in $(seq 600); do
    [ "$(grep -o 'Enter password:' "$WORK/pw.log" 2>/dev/null | wc -l)" -ge "$1" ] && break
    sleep 0.1
  done
  printf '%s\r' "$2"
}
(password 1 wrong; password 2 secret) |
  on_console "$WORK/pw.log" sh -c '"$@"; echo "rc=$?"' sh "$RUN" "$KESTREL" extract "$ENCRYPTED/zip_crypt.zip" -d "$PW"
check "the password was asked again after a wrong one" test "$(grep -o 'Enter password:' "$WORK/pw.log" | wc -l)" = 2
check "the item was extracted with the right one" test "$(cat "$PW/hello.txt" 2>/dev/null)" = "Hello, Kestrel!"
check "the extraction ended with 0" grep -q 'rc=0' "$WORK/pw.log"
check "neither password was echoed" not grep -q -e wrong -e secret "$WORK/pw.log"

if [ $fails != 0 ]; then
  echo "--- the test report:"; cat "$WORK/report.json" 2>/dev/null
  echo "--- kestrel list on the console:"; cat "$WORK/list.log"
  echo "--- kestrel extract's questions:"; cat "$WORK/ask.log"
  echo "--- the password prompts:"; cat "$WORK/pw.log"
  echo "$fails check(s) failed"; exit 1
fi
echo "all checks passed"
