#!/usr/bin/env bash
# run-fuzz.sh BUILD SECONDS -- runs every libFuzzer binary of BUILD for SECONDS over a copy of its
# seed corpus (tests/fuzz/corpus/<corpus> for BUILD/bin/fuzz_<corpus>_<what>). New inputs found
# during the run stay in the copy; a crash, a sanitizer report or a timeout leaves the reproducer in
# BUILD/fuzz-artifacts/ and makes the script exit non-zero.
set -euo pipefail
if [ $# -ne 2 ]; then
  echo "usage: $0 BUILD SECONDS" >&2
  exit 2
fi
build=$1
seconds=$2
root=$(cd "$(dirname "$0")/.." && pwd)
artifacts="$build/fuzz-artifacts"
mkdir -p "$artifacts"

shopt -s nullglob
targets=("$build"/bin/fuzz_*)
if [ ${#targets[@]} -eq 0 ]; then
  echo "no fuzz binaries in $build/bin" >&2
  exit 1
fi

status=0
for bin in "${targets[@]}"; do
  [ -x "$bin" ] || continue
  name=$(basename "$bin")
  case "$name" in *_replay) continue ;; esac
  corpus_name=${name#fuzz_}
  corpus_name=${corpus_name%%_*}
  seed="$root/tests/fuzz/corpus/$corpus_name"
  work=$(mktemp -d)
  if [ -d "$seed" ]; then
    cp -r "$seed"/. "$work"/
  fi
  echo "== $name for ${seconds}s over $(ls "$work" | wc -l) seed inputs"
  if ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:symbolize=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$bin" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -max_len=1048576 \
    -artifact_prefix="$artifacts/$name-" -print_final_stats=1 "$work" > "$artifacts/$name.log" 2>&1; then
    tail -n 12 "$artifacts/$name.log" | grep -E '^(stat::number_of_executed_units|stat::new_units_added|Done)' || true
    echo "== $name: no fault"
  else
    status=1
    echo "== $name: FAULT (log: $artifacts/$name.log)"
    grep -E 'ERROR|SUMMARY|runtime error|Test unit written' "$artifacts/$name.log" | head -n 20 || true
  fi
  rm -rf "$work"
done
exit $status
