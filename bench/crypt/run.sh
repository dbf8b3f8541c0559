#!/usr/bin/env bash
# bench/crypt/run.sh BUILD -- "kestrel test" of encrypted archives against 7-Zip and bsdtar, and
# against the unencrypted zlib limit: medians of RUNS (default 3) timings.
#
# The corpus is the extraction benchmark's (/usr/include plus the largest shared libraries, about
# 220 MB, some 9000 items; built once in BUILD/bench-data/src, shared with bench/extract), zipped
# twice here: with 7-Zip's AES-256 (-mem=AES256) and with Info-ZIP's traditional encryption
# (zip -P). With thousands of small AES entries the key derivation (PBKDF2, 1000 iterations per
# entry) is most of the cost.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${RUNS:-3}
bin="$build/bin"
data="$build/bench-data"
pw=benchmark-password
mkdir -p "$data"
for t in zip 7zz bsdtar /usr/bin/time bc; do
  command -v "$t" >/dev/null || { echo "crypt bench: $t is missing" >&2; exit 1; }
done
[ -x "$bin/kestrel" ] || { echo "crypt bench: build kestrel first" >&2; exit 1; }

. "$(dirname "$0")/../common.sh"
ensure_corpus_tree
src="$data/src"
aes="$data/corpus-aes256.zip"
zc="$data/corpus-zipcrypto.zip"
plain="$data/corpus-plain.zip"
if [ ! -f "$aes" ]; then
  echo "zipping with 7-Zip AES-256 (once) ..."
  (cd "$src" && 7zz a -bd -bso0 -tzip -mx=5 -mem=AES256 -p"$pw" "$aes.tmp.zip" include libs) && mv "$aes.tmp.zip" "$aes"
fi
if [ ! -f "$zc" ]; then
  echo "zipping with Info-ZIP traditional encryption (once) ..."
  (cd "$src" && zip -q -r -6 -P "$pw" "$zc.tmp" include libs) && mv "$zc.tmp" "$zc"
fi
if [ ! -f "$plain" ]; then
  (cd "$src" && zip -q -r -6 "$plain.tmp" include libs) && mv "$plain.tmp" "$plain"
fi
echo "corpus: $(unzip -Z1 "$aes" | wc -l) items; AES-256 $(stat -c %s "$aes") bytes, traditional $(stat -c %s "$zc") bytes"

# The commands must succeed: a wrong password would make every timing meaningless.
"$bin/kestrel" test "$aes" -p "$pw" > /dev/null
"$bin/kestrel" test "$zc" -p "$pw" > /dev/null
cat "$aes" "$zc" "$plain" > /dev/null

report() {
  local base=$1 file=$2
  read -r _ bw bc_ < <(grep "^$base " "$file")
  printf '%-16s %8s %8s %12s\n' tool wall-s cpu-s "wall/$base"
  while read -r name w c; do
    printf '%-16s %8.3f %8.3f %12s\n' "$name" "$w" "$c" "$(ratio "$w" "$bw")"
  done < "$file"
}

echo
echo "== AES-256 (7-Zip), kestrel test vs 7zz t and bsdtar; medians of $runs rounds"
compare : "kestrel-test=$bin/kestrel test '$aes' -p '$pw'" "7zz-t=7zz t -p'$pw' '$aes'" \
  "bsdtar-xOf=bsdtar -xOf '$aes' --passphrase '$pw' >/dev/null" > "$data/crypt-aes.txt"
report kestrel-test "$data/crypt-aes.txt"

echo
echo "== traditional (Info-ZIP zip -P), against unencrypted zlib and kestrel, and bsdtar; medians of $runs rounds"
limit=()
[ -x "$bin/zlib_limit" ] && limit=("zlib-limit=$bin/zlib_limit '$plain'")
compare : "${limit[@]}" "kestrel-plain=$bin/kestrel test '$plain'" "kestrel-test=$bin/kestrel test '$zc' -p '$pw'" \
  "bsdtar-xOf=bsdtar -xOf '$zc' --passphrase '$pw' >/dev/null" "7zz-t=7zz t -p'$pw' '$zc'" > "$data/crypt-zc.txt"
report "$( [ -x "$bin/zlib_limit" ] && echo zlib-limit || echo kestrel-plain)" "$data/crypt-zc.txt"
