#!/usr/bin/env python3
"""Writes oracle_vectors.txt: random inputs with results from independent implementations.

SHA-1, HMAC-SHA1 and PBKDF2-HMAC-SHA1 come from Python's hashlib/hmac; the AES counter-mode
key streams come from `openssl enc -aes-*-ecb -nopad` applied to the counter blocks (a 64-bit
little-endian counter in bytes 0..7, incremented before each block, bytes 8..15 fixed).
Run it from anywhere; it is deterministic (fixed seed).
"""
import hashlib
import hmac
import os
import random
import subprocess

rng = random.Random(20261211)
out = []


def rb(n):
    return bytes(rng.getrandbits(8) for _ in range(n))


for n in [0, 1, 3, 55, 56, 57, 63, 64, 65, 119, 120, 127, 128, 129, 1000, 4096, 10007]:
    m = rb(n)
    out.append(f"sha1 {m.hex() or '-'} {hashlib.sha1(m).hexdigest()}")

for klen, mlen in [(0, 0), (1, 10), (20, 50), (63, 64), (64, 64), (65, 100), (80, 73), (131, 200), (300, 1)]:
    k, m = rb(klen), rb(mlen)
    out.append(f"hmac {k.hex() or '-'} {m.hex() or '-'} {hmac.new(k, m, hashlib.sha1).hexdigest()}")

for plen, slen, it, dk in [(0, 16, 1000, 66), (8, 8, 1000, 34), (8, 12, 1000, 50), (8, 16, 1000, 66),
                           (64, 16, 7, 66), (65, 16, 3, 41), (200, 0, 2, 20), (12, 65, 5, 100),
                           (32767, 16, 2, 66), (5, 16, 1, 85)]:
    p, s = rb(plen), rb(slen)
    out.append(f"pbkdf2 {p.hex() or '-'} {s.hex() or '-'} {it} {dk} "
               f"{hashlib.pbkdf2_hmac('sha1', p, s, it, dk).hex()}")


def ecb(key, data):
    cipher = {16: "aes-128-ecb", 24: "aes-192-ecb", 32: "aes-256-ecb"}[len(key)]
    return subprocess.run(["openssl", "enc", "-" + cipher, "-nopad", "-K", key.hex()],
                          input=data, capture_output=True, check=True).stdout


for klen, start, blocks in [(16, 0, 40), (24, 0, 40), (32, 0, 300), (32, 2**64 - 3, 8), (32, 0x00FFFFFFFFFFFFFE, 4)]:
    key = rb(klen)
    high = rb(8) if start else bytes(8)
    counters = b"".join(((start + i) % 2**64).to_bytes(8, "little") + high for i in range(1, blocks + 1))
    nonce = start.to_bytes(8, "little") + high
    out.append(f"aesctr {key.hex()} {nonce.hex()} {blocks} {ecb(key, counters).hex()}")

path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "oracle_vectors.txt")
with open(path, "w") as f:
    f.write("\n".join(out) + "\n")
