// DirStreamIO.cpp -- bounded stream reads for the directory loader and the recovery scan.
#include "archive/DirStreamIO.h"

#include <algorithm>
#include <cstring>

namespace ks {

bool KSReadAt(TStream* Stream, int64_t Position, void* Buffer, size_t Count) {
    const int64_t Size = Stream->Size();
    if (Position < 0 || Position > Size || static_cast<uint64_t>(Size - Position) < Count)
        return false;
    Stream->SetPosition(Position);
    Stream->ReadBuffer(Buffer, static_cast<int64_t>(Count));
    return true;
}

void TKSBlockReader::Reset(TStream* Stream, int64_t Position) {
    FStream = Stream;
    FStreamSize = Stream->Size();
    FPosition = Position;
    FBufferStart = 0;
    FBufferLength = 0;
}

const uint8_t* TKSBlockReader::Need(size_t Count) {
    if (FPosition < 0 || FPosition > FStreamSize || static_cast<uint64_t>(FStreamSize - FPosition) < Count)
        throw EReadError("Stream read error");
    if (FPosition >= FBufferStart &&
        static_cast<uint64_t>(FPosition - FBufferStart) + Count <= FBufferLength) {
        const uint8_t* Result = FBuffer.data() + (FPosition - FBufferStart);
        FPosition += static_cast<int64_t>(Count);
        return Result;
    }
    // Refill from the position: at least Count bytes, a whole block when the stream has it.
    const size_t Want = static_cast<size_t>(std::min<uint64_t>(
        std::max<uint64_t>(Count, BlockSize), static_cast<uint64_t>(FStreamSize - FPosition)));
    if (FBuffer.size() < Want)
        FBuffer.resize(Want);
    FStream->SetPosition(FPosition);
    FStream->ReadBuffer(FBuffer.data(), static_cast<int64_t>(Want));
    FBufferStart = FPosition;
    FBufferLength = Want;
    FPosition += static_cast<int64_t>(Count);
    return FBuffer.data();
}

} // namespace ks
