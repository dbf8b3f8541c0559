// DirStreamIO.h -- bounded stream reads for the directory loader and the recovery scan.
//
// Everything read from an archive is reached through these helpers, which check a position and a
// length against the stream's real size before they read, so that counts, lengths and offsets
// taken from the archive never cause an allocation or a read beyond what the stream holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/KSException.h"
#include "platform/KSStreams.h"

namespace ks {

// Restores a stream's position when it goes out of scope.
class TKSStreamPositionKeeper {
public:
    explicit TKSStreamPositionKeeper(TStream* Stream) : FStream(Stream), FPosition(Stream->Position()) {}
    ~TKSStreamPositionKeeper() {
        try {
            FStream->SetPosition(FPosition);
        } catch (...) {
        }
    }
    TKSStreamPositionKeeper(const TKSStreamPositionKeeper&) = delete;
    TKSStreamPositionKeeper& operator=(const TKSStreamPositionKeeper&) = delete;

private:
    TStream* FStream;
    int64_t FPosition;
};

// Reads Count bytes at Position. False (nothing read) when they do not all lie inside the stream.
bool KSReadAt(TStream* Stream, int64_t Position, void* Buffer, size_t Count);

// Sequential reading through a block buffer: the central directory of a large archive is read in
// a few large reads instead of three small ones per item. Need() hands out contiguous bytes; a
// request that runs past the end of the stream raises EReadError, as a short stream read does.
class TKSBlockReader {
public:
    static constexpr size_t BlockSize = 1 << 20;

    TKSBlockReader(TStream* Stream, int64_t Position) { Reset(Stream, Position); }

    void Reset(TStream* Stream, int64_t Position);
    int64_t Position() const { return FPosition; }
    int64_t StreamSize() const { return FStreamSize; }
    int64_t Remaining() const { return FStreamSize > FPosition ? FStreamSize - FPosition : 0; }

    // Count bytes at the position (valid until the next call); the position moves past them.
    const uint8_t* Need(size_t Count);

private:
    TStream* FStream = nullptr;
    int64_t FStreamSize = 0;
    int64_t FPosition = 0;
    int64_t FBufferStart = 0;
    std::vector<uint8_t> FBuffer;
    size_t FBufferLength = 0;
};

} // namespace ks
