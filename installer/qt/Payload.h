// Payload.h -- the application archive the installer carries inside its own executable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace ks {

extern const unsigned char KSPayloadData[];
extern const std::size_t KSPayloadSize;

// The whole archive as one byte stream with its size.
inline std::span<const uint8_t> PayloadBytes() {
    return {reinterpret_cast<const uint8_t*>(KSPayloadData), KSPayloadSize};
}

} // namespace ks
