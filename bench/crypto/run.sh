#!/bin/sh
# Runs the crypto benchmark and the same work done by OpenSSL, and prints them side by side:
#   bench/crypto/run.sh BUILD_DIR
# OpenSSL's figures come from `openssl speed` (with and without its SHA / AES instruction
# paths, switched off through OPENSSL_ia32cap); the PBKDF2 reference is OpenSSL's PBKDF2 as
# Python's hashlib calls it.
set -eu
BUILD_DIR=${1:-build}
BIN="$BUILD_DIR/bin/crypto_bench"
if [ ! -x "$BIN" ]; then
  echo "crypto_bench not built in $BUILD_DIR (needs libbenchmark-dev)"; exit 0
fi
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

"$BIN" --benchmark_min_time=0.5 --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
  --benchmark_format=json > "$tmp/ks.json"

speed() { # prints bytes per second of one `openssl speed -mr` run
  "$@" 2>/dev/null | awk -F: '/^\+F:/ {print $4}' | tail -n 1
}
if command -v openssl > /dev/null; then
  speed openssl speed -mr -seconds 2 -bytes 65536 sha1 > "$tmp/ossl_sha1_hw"
  OPENSSL_ia32cap=":~0x20000000" speed openssl speed -mr -seconds 2 -bytes 65536 sha1 > "$tmp/ossl_sha1_sw"
  speed openssl speed -mr -seconds 2 -bytes 65536 -evp aes-256-ctr > "$tmp/ossl_aes_hw"
  OPENSSL_ia32cap="~0x200000000000000" speed openssl speed -mr -seconds 2 -bytes 65536 -evp aes-256-ctr \
    > "$tmp/ossl_aes_sw"
fi

python3 - "$tmp" <<'PY'
import hashlib, json, os, sys, time
tmp = sys.argv[1]
runs = {}
for b in json.load(open(os.path.join(tmp, "ks.json")))["benchmarks"]:
    if b.get("aggregate_name") == "median":
        runs[b["run_name"]] = b

def ours(name, hw):
    b = runs.get(f"{name}/hw:{1 if hw else 0}")
    return b

def ossl(tag):
    try:
        v = open(os.path.join(tmp, tag)).read().strip()
        return float(v) if v else None
    except OSError:
        return None

def pbkdf2_ref():
    pw, salt = b"correct horse battery staple", bytes(range(1, 17))
    n, t0 = 0, time.process_time()
    while time.process_time() - t0 < 1.0:
        hashlib.pbkdf2_hmac("sha1", pw, salt, 1000, 66)
        n += 1
    return (time.process_time() - t0) / n * 1e6

def row(what, mine, ref, unit, target, higher_better):
    m = "-" if mine is None else f"{mine:10.1f}"
    r = "-" if ref is None else f"{ref:10.1f}"
    ratio = "-"
    if mine and ref:
        ratio = f"{(mine / ref) if higher_better else (ref / mine):6.2f}x"
    ok = ""
    if mine is not None and target is not None:
        ok = "ok" if (mine >= target if higher_better else mine <= target) else "MISSED"
    goal = "" if target is None else f"target {'>=' if higher_better else '<='} {target:g} {ok}"
    print(f"{what:44s} {m:>11s} {r:>11s} {unit:6s} {ratio:>8s}   {goal}")

print(f"{'(CPU time per run; ratio = Kestrel speed / OpenSSL speed)':44s} {'Kestrel':>11s} {'OpenSSL':>11s}")
ref_us = pbkdf2_ref()
for hw in (True, False):
    b = ours("BM_Pbkdf2_66B_1000", hw)
    mine = b["cpu_time"] if b else None
    row(f"PBKDF2-SHA1 66 B, 1000 it. ({'SHA instr.' if hw else 'portable'})", mine, ref_us, "us",
        150 if hw else None, False)
    if mine:
        print(f"{'  9046 such derivations':44s} {mine * 9046 / 1e6:10.2f}s")
    b = ours("BM_Pbkdf2_66B_1000_Rekeying", hw)
    if b:
        row(f"  same, HMAC re-keyed every iteration", b["cpu_time"], ref_us, "us", None, False)
for hw in (True, False):
    b = ours("BM_Sha1_64KiB", hw)
    mine = b["bytes_per_second"] / 1e6 if b else None
    ref = ossl("ossl_sha1_hw" if hw else "ossl_sha1_sw")
    row(f"SHA-1 ({'SHA instr.' if hw else 'portable'})", mine, ref / 1e6 if ref else None, "MB/s",
        1000 if hw else 400, True)
for hw in (True, False):
    b = ours("BM_Aes256Ctr_64KiB", hw)
    mine = b["bytes_per_second"] / 1e6 if b else None
    ref = ossl("ossl_aes_hw" if hw else "ossl_aes_sw")
    row(f"AES-256 counter mode ({'AES instr.' if hw else 'tables'})", mine, ref / 1e6 if ref else None, "MB/s",
        2000 if hw else 150, True)
for hw in (True, False):
    b = ours("BM_Aes256KeySetup", hw)
    if b:
        print(f"{'AES-256 key set-up (' + ('AES instr.' if hw else 'tables') + ')':44s} {b['cpu_time']:10.2f}  us")
PY
