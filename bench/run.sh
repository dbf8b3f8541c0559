#!/bin/sh
# Runs every benchmark folder's run.sh with the build folder: bench/run.sh BUILD_DIR
set -u
BUILD_DIR=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
status=0
for script in "$here"/*/run.sh; do
  [ -x "$script" ] || continue
  echo "== $(basename "$(dirname "$script")") =="
  "$script" "$BUILD_DIR" || status=1
done
exit $status
