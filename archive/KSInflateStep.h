// KSInflateStep.h -- one inflate call with its output counted by the caller's 64-bit total.
//
// zlib's own running totals (total_in, total_out) are of type uLong, which is 32 bits wide where
// long is (64-bit Windows): they wrap after 4 GiB. Every size decision of the item reader is
// therefore made on the bytes counted here, per call, from how far avail_out moved.
#pragma once

#include <zlib.h>

#include <cstdint>

namespace ks {

// Runs inflate(Strm, Z_NO_FLUSH) into Out[0, Room) (Room at most 4 GiB - 1) and adds the bytes
// this call produced to Produced. Returns zlib's result. zlib's total_out is neither read nor
// relied upon.
int KSInflateStep(z_stream& Strm, uint8_t* Out, uint32_t Room, int64_t& Produced);

} // namespace ks
