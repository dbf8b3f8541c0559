#!/usr/bin/env bash
# make_seed_corpus.sh -- regenerates the seed corpus of fuzz_open_list (corpus/open/): small
# archives from peer tools (Python's zipfile, Info-ZIP zip, 7-Zip, bsdtar) and damaged variants of
# them. Inputs the fuzzer later finds to be faults are added here by hand, under names that say
# what they exercise (crash-*.zip), and are never regenerated.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out="$here/corpus/open"
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cd "$tmp"

mkdir -p src/sub
printf 'hello\n' > src/a.txt
printf '' > src/empty.txt
head -c 600 /dev/zero | tr '\0' 'x' > src/sub/b.txt
printf 'caf\xc3\xa9\n' > "src/sub/caf$(printf '\xc3\xa9').txt"

python3 - "$out" <<'PY'
import sys, zipfile, io, struct
out = sys.argv[1]
def save(name, data):
    open(f"{out}/{name}", "wb").write(data)
def build(entries, comment=b"", force64=False, method=zipfile.ZIP_DEFLATED):
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w", method) as z:
        for n, d in entries:
            if force64:
                with z.open(n, "w", force_zip64=True) as f:
                    f.write(d)
            else:
                z.writestr(n, d)
        z.comment = comment
    return buf.getvalue()
base = build([("a.txt", b"hello\n"), ("dir/", b""), ("dir/b.txt", b"x" * 300), ("\u0151.txt", b"utf8 name")])
save("py_basic.zip", base)
save("py_stored.zip", build([("s.txt", b"stored data")], method=zipfile.ZIP_STORED))
save("py_comment.zip", build([("c.txt", b"c")], comment=b"PK\x05\x06 comment with a signature"))
save("py_zip64.zip", build([("z.txt", b"zip64 entry")], force64=True))
save("empty.zip", build([]))
save("stub.zip", b"MZ" + b"\x90" * 200 + base)
save("trailing.zip", base + b"\x00" * 10)
save("no_end_record.zip", base[: base.rfind(b"PK\x05\x06")])
cut = bytearray(base)
i = cut.find(b"PK\x01\x02")
struct.pack_into("<H", cut, i + 28, 0xFFF0)  # central name length past the end
save("bad_name_length.zip", bytes(cut))
many = bytearray(base)
j = many.rfind(b"PK\x05\x06")
struct.pack_into("<HH", many, j + 8, 0xFFFF, 0xFFFF)
save("saturated_count.zip", bytes(many))
PY

(cd src && zip -q -X -r "$tmp/infozip.zip" .) && cp infozip.zip "$out/infozip.zip"
(cd src && printf 'data' | zip -q -X - - > "$tmp/infozip_stream.zip") && cp infozip_stream.zip "$out/infozip_stream.zip"
(cd src && 7zz a -bd -bso0 -tzip "$tmp/7z.zip" . > /dev/null) && cp 7z.zip "$out/7z.zip"
(cd src && 7zz a -bd -bso0 -tzip -pseed -mem=AES256 "$tmp/7z_aes.zip" a.txt > /dev/null) && cp 7z_aes.zip "$out/7z_aes.zip"
(cd src && bsdtar --format zip -cf "$tmp/bsdtar.zip" .) && cp bsdtar.zip "$out/bsdtar.zip"
ls -l "$out"
