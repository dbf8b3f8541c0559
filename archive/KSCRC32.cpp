// KSCRC32.cpp -- bulk CRC-32 through zlib's word-wise implementation.
#include "archive/KSCRC32.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

namespace ks {

std::uint32_t CRC32Bulk(std::uint32_t CRC, const void* Data, std::size_t DataSize) {
    if (Data == nullptr || DataSize == 0)
        return CRC;
    // zlib presets and complements; undo both so that the register runs on unchanged.
    uLong c = static_cast<uLong>(~CRC & 0xFFFFFFFFu);
    auto p = static_cast<const Bytef*>(Data);
    constexpr std::size_t kMaxChunk = std::numeric_limits<uInt>::max() / 2;
    while (DataSize > 0) {
        const std::size_t n = std::min(DataSize, kMaxChunk);
        c = crc32(c, p, static_cast<uInt>(n));
        p += n;
        DataSize -= n;
    }
    return static_cast<std::uint32_t>(~c & 0xFFFFFFFFu);
}

std::uint32_t CRC32(std::uint32_t CRC, const void* Data, std::int32_t DataSize) {
    if (Data == nullptr || DataSize <= 0)
        return CRC;
    return CRC32Bulk(CRC, Data, static_cast<std::size_t>(DataSize));
}

void UpdateCRC32(const void* buf, std::int32_t Count, std::uint32_t& crc_32) {
    crc_32 = CRC32(crc_32, buf, Count);
}

} // namespace ks
