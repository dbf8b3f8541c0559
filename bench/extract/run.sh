#!/usr/bin/env bash
# bench/extract/run.sh BUILD -- "kestrel test" and "kestrel extract" against zlib alone and the
# peer tools on one corpus, in one run: medians of RUNS (default 5) timings, shown as ratios.
#
# The corpus (about 220 MB: /usr/include plus the largest shared libraries of the machine, zipped by
# Info-ZIP zip at level 6) is built once and cached in BUILD/bench-data.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${RUNS:-5}
bin="$build/bin"
data="$build/bench-data"
mkdir -p "$data"
for t in zip bsdtar 7zz unzip /usr/bin/time; do
  command -v "$t" >/dev/null || { echo "extract bench: $t is missing (make deps-bench)" >&2; exit 1; }
done
[ -x "$bin/kestrel" ] && [ -x "$bin/zlib_limit" ] || { echo "extract bench: build kestrel and zlib_limit first" >&2; exit 1; }

. "$(dirname "$0")/../common.sh"
zipfile="$data/corpus.zip"
if [ ! -f "$zipfile" ]; then
  ensure_corpus_tree
  (cd "$data/src" && zip -q -r -6 "$zipfile.tmp" include libs) && mv "$zipfile.tmp" "$zipfile"
fi
items=$(unzip -Z1 "$zipfile" | wc -l)
echo "corpus: $(du -b "$zipfile" | cut -f1) bytes zipped, $(du -sb "$data/src" 2>/dev/null | cut -f1) bytes plain, $items items"

cat "$zipfile" > /dev/null # warm the page cache
echo
echo "== test (decompress and check every item, nothing written); medians of $runs rounds"
compare : "zlib-limit=$bin/zlib_limit '$zipfile'" "kestrel-test=$bin/kestrel test '$zipfile'" \
  "bsdtar-xOf=bsdtar -xOf '$zipfile' >/dev/null" "7zz-t=7zz t '$zipfile'" "unzip-tqq=unzip -tqq '$zipfile'" > "$data/test.txt"
read -r _ lw lc < <(head -1 "$data/test.txt")
printf '%-14s %8s %8s %10s %10s\n' tool wall-s cpu-s wall/limit cpu/limit
while read -r name w c; do
  printf '%-14s %8.3f %8.3f %10s %10s\n' "$name" "$w" "$c" "$(ratio "$w" "$lw")" "$(ratio "$c" "$lc")"
done < "$data/test.txt"
peak=$(/usr/bin/time -f %M "$bin/kestrel" test "$zipfile" 2>&1 >/dev/null | tail -1)
echo "peak memory of kestrel test: $peak KiB"

echo
echo "== extract into a fresh folder; medians of $runs rounds"
# Every command writes into a folder of its own. The folders lie in memory (/dev/shm, or
# EXTRACT_TO) so that the file system's own bookkeeping does not drown the tools' differences: on
# ext4, inodes freed in the last minutes are skipped one by one when new ones are allocated, so
# on disk every run after a deletion of the last run's output is slower by seconds, whoever runs.
# On a disk target the folders are therefore removed only after the last round.
outroot=${EXTRACT_TO:-/dev/shm}
[ -d "$outroot" ] && [ -w "$outroot" ] || outroot="$data"
outs=$(mktemp -d "$outroot/kestrel-bench.XXXXXX")
in_memory=0
[ "$(stat -f -c %T "$outs")" = tmpfs ] && in_memory=1
echo "(extracting into $outs, $( [ $in_memory = 1 ] && echo in memory || echo on disk))"
seq_no=0
next_out() {
  [ "$in_memory" = 1 ] && [ -n "${out:-}" ] && rm -rf "$out"
  seq_no=$((seq_no + 1)); export out="$outs/$seq_no"; mkdir -p "$out"; sync
}
compare "next_out" "cp-r(write-limit)=cp -r '$data/src' \"\$out/src\"" \
  "kestrel-extract=$bin/kestrel extract '$zipfile' -d \"\$out\" --overwrite always" \
  "bsdtar-xf=bsdtar -xf '$zipfile' -C \"\$out\"" "7zz-x=7zz x '$zipfile' \"-o\$out\" -y" \
  "unzip-o=unzip -qo '$zipfile' -d \"\$out\"" > "$data/extract.txt"
read -r _ _ _ < <(head -1 "$data/extract.txt")
kw=$(awk '$1 == "kestrel-extract" {print $2}' "$data/extract.txt")
printf '%-18s %8s %8s %12s\n' tool wall-s cpu-s wall/kestrel
while read -r name w c; do
  printf '%-18s %8.3f %8.3f %12s\n' "$name" "$w" "$c" "$(ratio "$w" "$kw")"
done < "$data/extract.txt"
rm -rf "$outs"
