#!/usr/bin/env bash
# The installation run with a large PyLib.zip against `unzip -o` of the same archives into the
# same layout, measured in one run.
#
#   bench/installer/run.sh BUILD [SOURCE_DIR] [FILES]
#
# PyLib.zip is made from FILES files (default 2450) taken from SOURCE_DIR (default: this
# machine's Python standard library); when the folder holds fewer, its files are taken again
# under a second root ("site/") until FILES are reached, so same-named files (__init__.py) occur
# in many folders. The other entries are those of the shipped payload.
set -euo pipefail
BUILD=$(cd "${1:-build}" && pwd)
SRC=${2:-$(python3 -c 'import sysconfig; print(sysconfig.get_paths()["stdlib"])')}
FILES=${3:-2450}
RUNNER="$BUILD/bin/bench_installer_run"
PAY="$BUILD/installer/qt/payload"
[ -x "$RUNNER" ] && [ -f "$PAY/DataPack.zip" ] || { echo "build bench_installer_run and ferrovan-setup first" >&2; exit 2; }
command -v unzip >/dev/null && command -v zip >/dev/null && [ -x /usr/bin/time ] || { echo "zip, unzip and /usr/bin/time are needed" >&2; exit 2; }

W=$(mktemp -d /tmp/ferrovan-bench.XXXXXX)
trap '[ -n "${KS_BENCH_KEEP:-}" ] && echo "kept $W" || rm -rf "$W"' EXIT
export HOME="$W/home" XDG_CONFIG_HOME="$W/home/.config" XDG_DATA_HOME="$W/home/.local/share" QT_QPA_PLATFORM=offscreen
mkdir -p "$HOME/Desktop" "$HOME/Documents"

# Stage the PyLib tree.
mkdir -p "$W/stage/PyLib"
(cd "$SRC" && find . -type f -readable | LC_ALL=C sort) > "$W/list"
have=$(wc -l < "$W/list")
n=0; root=""
while [ "$n" -lt "$FILES" ]; do
  while IFS= read -r f && [ "$n" -lt "$FILES" ]; do
    mkdir -p "$W/stage/PyLib/$root$(dirname "$f")"
    cp "$SRC/$f" "$W/stage/PyLib/$root$f"
    n=$((n + 1))
  done < "$W/list"
  root="site${n}/"
done
bytes=$(du -sb "$W/stage/PyLib" | cut -f1)
(cd "$W/stage/PyLib" && zip -q -r -6 "$W/PyLib.zip" .)
mkdir -p "$W/p" && (cd "$W/p" && unzip -q "$PAY/DataPack.zip")
cp "$W/PyLib.zip" "$W/p/PyLib.zip"
(cd "$W/p" && zip -q -0 "$W/DataPack.zip" Ferrovan.exe Kezikonyv_elemei.zip Adatlap.zip PyLib.zip Torzs.zip \
   IDAutomationHC39M_Free.ttf Olvass_el.html Licenc.html)
echo "PyLib.zip: $FILES files from $SRC ($have available), $((bytes / 1048576)) MiB unpacked, $(( $(stat -c %s "$W/PyLib.zip") / 1048576 )) MiB packed"

# unzip -o into the same layout: the payload, then each nested archive into its sub-folder.
unzip_layout() {
  local t=$1/Ferrovan
  mkdir -p "$t"
  unzip -q -o "$W/DataPack.zip" -d "$t"
  for n in Kezikonyv_elemei Adatlap PyLib; do unzip -q -o "$t/$n.zip" -d "$t/$n"; rm -f "$t/$n.zip"; done
  mkdir -p "$t/Torzs" && cp "$t/Torzs.zip" "$t/Torzs/Torzs10018.pck" && rm -f "$t/Torzs.zip"
}
# Three rounds, alternating which goes first (the file system's allocator state after earlier
# deletions favours whichever runs on fresh ground); the best time of each is compared.
ROUNDS=${KS_BENCH_ROUNDS:-3}
best_unzip=""; best_run=""; best_unzip_cpu=""; best_run_cpu=""
min() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b + 0 < a + 0) ? b : a }'; }
export -f unzip_layout
export W
time_unzip() {
  sync
  local t
  t=$( { /usr/bin/time -f "%e %U %S" bash -c "unzip_layout '$1'" ; } 2>&1 | tail -1)
  best_unzip=$(min "$best_unzip" "$(echo "$t" | awk '{print $1}')")
  best_unzip_cpu=$(min "$best_unzip_cpu" "$(echo "$t" | awk '{print $2 + $3}')")
}
time_run() {
  sync; out=$("$RUNNER" "$W/DataPack.zip" "$1")
  best_run=$(min "$best_run" "$(echo "$out" | awk '/^run_seconds/ {print $2}')")
  best_run_cpu=$(min "$best_run_cpu" "$(echo "$out" | awk '/^run_cpu_seconds/ {print $2}')")
}
for r in $(seq "$ROUNDS"); do
  rm -rf "$W/u" "$W/k"; mkdir -p "$W/u" "$W/k"
  if [ $((r % 2)) = 1 ]; then time_unzip "$W/u"; time_run "$W/k"; else time_run "$W/k"; time_unzip "$W/u"; fi
done
echo "$out" | grep '^message' | head -3 | sed 's/^/  /'
diff -rq "$W/u/Ferrovan" "$W/k/Ferrovan" -x Ferrovan.log >/dev/null && echo "  same installed tree as unzip" || echo "  TREES DIFFER"
ratio=$(awk -v a="$best_run" -v b="$best_unzip" 'BEGIN { print a / b }')
cpu_ratio=$(awk -v a="$best_run_cpu" -v b="$best_unzip_cpu" 'BEGIN { print a / b }')
printf 'best of %d, wall:      unzip -o %.3f s, installation run %.3f s, ratio %.2f (limit 1.50)\n' \
  "$ROUNDS" "$best_unzip" "$best_run" "$ratio"
printf 'best of %d, processor: unzip -o %.3f s, installation run %.3f s, ratio %.2f\n' \
  "$ROUNDS" "$best_unzip_cpu" "$best_run_cpu" "$cpu_ratio"
