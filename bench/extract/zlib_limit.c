/* zlib_limit.c -- the floor for testing a ZIP archive: read the whole file into memory, then
 * inflate every item with zlib into a 1 MiB buffer and CRC it. No Zip64, no encryption: the
 * benchmark corpus needs neither. Exit status 1 when an item fails. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <zlib.h>

static uint32_t le16(const unsigned char* p) { return (uint32_t)p[0] | (uint32_t)p[1] << 8; }
static uint32_t le32(const unsigned char* p) { return le16(p) | le16(p + 2) << 16; }

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: zlib_limit ARCHIVE\n");
        return 2;
    }
    FILE* f = fopen(argv[1], "rb");
    if (!f)
        return 2;
    fseek(f, 0, SEEK_END);
    long size = ftell(f);
    fseek(f, 0, SEEK_SET);
    unsigned char* a = malloc((size_t)size);
    if (!a || fread(a, 1, (size_t)size, f) != (size_t)size)
        return 2;
    fclose(f);
    long e = size - 22;
    while (e >= 0 && le32(a + e) != 0x06054b50)
        --e;
    if (e < 0)
        return 2;
    uint32_t count = le16(a + e + 10), cd = le32(a + e + 16);
    static unsigned char out[1 << 20];
    int bad = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const unsigned char* c = a + cd;
        uint32_t method = le16(c + 10), crc = le32(c + 16), csize = le32(c + 20), usize = le32(c + 24);
        uint32_t lh = le32(c + 42);
        cd += 46 + le16(c + 28) + le16(c + 30) + le16(c + 32);
        const unsigned char* data = a + lh + 30 + le16(a + lh + 26) + le16(a + lh + 28);
        uLong got = crc32(0, Z_NULL, 0), total = 0;
        if (method == 0) {
            got = crc32(got, data, csize);
            total = csize;
        } else {
            z_stream s;
            memset(&s, 0, sizeof s);
            inflateInit2(&s, -15);
            s.next_in = (Bytef*)data;
            s.avail_in = csize;
            int r;
            do {
                s.next_out = out;
                s.avail_out = sizeof out;
                r = inflate(&s, Z_NO_FLUSH);
                got = crc32(got, out, (uInt)(sizeof out - s.avail_out));
            } while (r == Z_OK);
            total = s.total_out;
            inflateEnd(&s);
        }
        if (got != crc || total != usize)
            ++bad;
    }
    free(a);
    printf("%u items, %d bad\n", count, bad);
    return bad ? 1 : 0;
}
