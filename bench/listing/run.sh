#!/usr/bin/env bash
# run.sh BUILD -- lists a 100,000-item archive with `kestrel list` and with `unzip -Z1` in one run
# and compares them: median wall time of 5 runs each, peak memory (maximum resident set size), and
# the ratio of the times. Then it shows how the name hash spreads such names.
#
# The archive (items d000/file000000.txt ... d099/file099999.txt, written by Python's zipfile,
# which adds Zip64 end records past 65535 items) is made once and cached under BUILD/bench-data.
set -euo pipefail
build=${1:?usage: run.sh BUILD}
build=$(cd "$build" && pwd)
kestrel="$build/bin/kestrel"
data="$build/bench-data"
archive="$data/listing-100k.zip"
runs=5
mkdir -p "$data"

for tool in "$kestrel" unzip python3 /usr/bin/time; do
  if ! command -v "$tool" > /dev/null 2>&1; then
    echo "listing benchmark: $tool is missing" >&2
    exit 1
  fi
done

if [ ! -s "$archive" ]; then
  echo "making $archive"
  python3 - "$archive" <<'PY'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1] + ".tmp", "w", zipfile.ZIP_STORED) as z:
    for i in range(100000):
        name = "d%03d/file%06d.txt" % (i // 1000, i)
        z.writestr(name, name.encode())
import os
os.replace(sys.argv[1] + ".tmp", sys.argv[1])
PY
fi

# The listings must agree before their times mean anything.
"$kestrel" list "$archive" > "$data/kestrel.out"
unzip -Z1 "$archive" > "$data/unzip.out"
if ! cmp -s "$data/kestrel.out" "$data/unzip.out"; then
  echo "listing benchmark: kestrel and unzip list different names" >&2
  exit 1
fi

# measure CMD...: prints "median_wall_s median_cpu_s peak_kb" over $runs runs (cpu = user + system;
# on a busy machine it is the steadier figure).
measure() {
  local walls=() cpus=() peaks=() line w u s m
  for _ in $(seq "$runs"); do
    line=$( { /usr/bin/time -f "%e %U %S %M" "$@" > /dev/null; } 2>&1 | tail -n 1)
    read -r w u s m <<< "$line"
    walls+=("$w")
    cpus+=("$(python3 -c "print(f'{$u + $s:.2f}')")")
    peaks+=("$m")
  done
  local mid=$(( (runs + 1) / 2 ))
  printf '%s ' "$(printf '%s\n' "${walls[@]}" | sort -n | sed -n "${mid}p")"
  printf '%s ' "$(printf '%s\n' "${cpus[@]}" | sort -n | sed -n "${mid}p")"
  printf '%s\n' "${peaks[@]}" | sort -n | tail -n 1
}

read -r k_wall k_cpu k_peak < <(measure "$kestrel" list "$archive")
read -r u_wall u_cpu u_peak < <(measure unzip -Z1 "$archive")
ratio() { python3 -c "print(f'{$1 / $2:.2f}' if $2 > 0 else 'n/a')"; }

echo "listing 100,000 items (median of $runs runs; peak RSS the largest seen):"
printf '  %-13s wall %6.3f s  cpu %5.2f s  peak %6d KB\n' "kestrel list" "$k_wall" "$k_cpu" "$k_peak"
printf '  %-13s wall %6.3f s  cpu %5.2f s  peak %6d KB\n' "unzip -Z1" "$u_wall" "$u_cpu" "$u_peak"
echo "  kestrel/unzip: wall $(ratio "$k_wall" "$u_wall"), cpu $(ratio "$k_cpu" "$u_cpu") (goal <= 0.30);" \
  "kestrel peak $((k_peak / 1024)) MB (goal <= 48 MB)"

if [ -x "$build/bin/bench_name_hash" ]; then
  "$build/bin/bench_name_hash"
fi
