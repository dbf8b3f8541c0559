// KSCRC32.h -- the CRC-32 of the ZIP format (reflected polynomial 0xEDB88320).
//
// The register routines neither preset nor complement: a caller starts with 0xFFFFFFFF and
// complements the final value itself. `CRC32(c, d, n)` therefore equals zlib's
// `~crc32(~c, d, n)`; the bulk path uses zlib's word-wise implementation for speed, and the
// one-byte step `UpdCRC` stays the plain table lookup that the traditional cipher's key schedule
// is defined by.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace ks {

namespace detail {
constexpr std::array<std::uint32_t, 256> MakeCRC32Table() {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        t[n] = c;
    }
    return t;
}
} // namespace detail

// The standard 256-entry table of the polynomial.
inline constexpr std::array<std::uint32_t, 256> CRC32_TABLE = detail::MakeCRC32Table();

// Runs the table update over DataSize bytes. A null Data or a DataSize of 0 or less returns CRC
// unchanged.
std::uint32_t CRC32(std::uint32_t CRC, const void* Data, std::int32_t DataSize);

// The same over any length (the decompressor's blocks and the test sink use it).
std::uint32_t CRC32Bulk(std::uint32_t CRC, const void* Data, std::size_t DataSize);

// crc_32 := CRC32(crc_32, buf, Count).
void UpdateCRC32(const void* buf, std::int32_t Count, std::uint32_t& crc_32);

// One byte: CRC32_TABLE[(Crc32 ^ Octet) & 0xFF] ^ (Crc32 >> 8).
inline std::uint32_t UpdCRC(std::uint8_t Octet, std::uint32_t Crc32) {
    return CRC32_TABLE[(Crc32 ^ Octet) & 0xFFu] ^ (Crc32 >> 8);
}

} // namespace ks
