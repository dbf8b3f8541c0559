// KSInflateStep.cpp -- one counted inflate call (see KSInflateStep.h).
#include "archive/KSInflateStep.h"

namespace ks {

int KSInflateStep(z_stream& Strm, uint8_t* Out, uint32_t Room, int64_t& Produced) {
    Strm.next_out = Out;
    Strm.avail_out = static_cast<uInt>(Room);
    const int Result = inflate(&Strm, Z_NO_FLUSH);
    Produced += static_cast<int64_t>(Room) - static_cast<int64_t>(Strm.avail_out);
    return Result;
}

} // namespace ks
