#!/usr/bin/env bash
# What Info-ZIP makes of the command-line tests' peer fixtures, for the Windows build: its zip and
# unzip are Linux programs, which a Windows test program cannot run, so this runs on the build
# machine before the tests and the Windows tests read the results.
#   OUT/unzip/STEM/      the tree `unzip` extracts from each archive the extraction tests compare with
#   OUT/volumes/BASE/    for each split set BASE.z01 ... BASE.zip: names (unzip -Z1 of the set joined
#                        by zip -s 0) and tree/ (what unzip extracts from it)
# Without zip or unzip nothing is made, and the tests that need it are skipped.
# Usage: make_peer_references.sh OUT FIXTURES_DIR CLI_FIXTURES_DIR
set -euo pipefail
OUT=$1 FX=$2 CLIFX=$3
for tool in zip unzip; do
  command -v "$tool" >/dev/null || { echo "no $tool: no Info-ZIP references made"; exit 0; }
done
rm -rf "$OUT"
mkdir -p "$OUT/unzip" "$OUT/volumes"
for zip in "$CLIFX"/extract/bsdtar_tree.zip "$CLIFX"/extract/7z_tree.zip "$CLIFX"/extract/py_tree.zip \
  "$FX"/zip_plain.zip "$FX"/zip_zip64.zip "$FX"/py_utf8.zip "$FX"/7z_utf8.zip "$FX"/zip_stub_adjusted.zip; do
  stem=$(basename "$zip" .zip)
  unzip -qq -o "$zip" -d "$OUT/unzip/$stem"
done
for base in span2 span3 cdspan; do
  work=$(mktemp -d)
  for f in "$FX"/volumes/"$base".*; do cp "$f" "$work/r.${f##*.}"; done
  (cd "$work" && zip -q -s 0 r.zip --out whole.zip)
  mkdir -p "$OUT/volumes/$base"
  unzip -Z1 "$work/whole.zip" >"$OUT/volumes/$base/names"
  unzip -qq "$work/whole.zip" -d "$OUT/volumes/$base/tree"
  rm -rf "$work"
done
echo "Info-ZIP references made in $OUT"
