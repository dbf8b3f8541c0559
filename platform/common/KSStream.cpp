// KSStream.cpp -- the TStream operations shared by every stream, and the two memory streams.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/KSStreams.h"

namespace ks {

namespace {

constexpr int64_t kCopyBlock = 1 << 20;

int64_t NewPosition(int64_t Current, int64_t Size, int64_t Offset, TSeekOrigin Origin) {
    int64_t Base =
        Origin == TSeekOrigin::soBeginning ? 0 : (Origin == TSeekOrigin::soCurrent ? Current : Size);
    if ((Offset > 0 && Base > INT64_MAX - Offset) || Base + Offset < 0)
        throw EStreamError("Invalid stream position");
    return Base + Offset;
}

} // namespace

// ---- TStream -----------------------------------------------------------------------------------

int64_t TStream::Size() {
    const int64_t Pos = Position();
    const int64_t End = Seek(0, TSeekOrigin::soEnd);
    Seek(Pos, TSeekOrigin::soBeginning);
    return End;
}

void TStream::ReadBuffer(void* Buffer, int64_t Count) {
    if (Count < 0 || (Count > 0 && Read(Buffer, Count) != Count))
        throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* Buffer, int64_t Count) {
    if (Count < 0 || (Count > 0 && Write(Buffer, Count) != Count))
        throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& Source, int64_t Count) {
    if (Count == 0) {
        Source.SetPosition(0);
        Count = Source.Size();
    }
    if (Count < 0)
        throw EReadError("Stream read error");
    std::vector<uint8_t> Buf(static_cast<std::size_t>(std::min(Count, kCopyBlock)));
    int64_t Left = Count;
    while (Left > 0) {
        const int64_t N = std::min(Left, kCopyBlock);
        Source.ReadBuffer(Buf.data(), N);
        WriteBuffer(Buf.data(), N);
        Left -= N;
    }
    return Count;
}

// ---- TMemoryStream -----------------------------------------------------------------------------

int64_t TMemoryStream::Read(void* Buffer, int64_t Count) {
    const int64_t Avail = Size() - FPosition;
    if (Count <= 0 || Avail <= 0)
        return 0;
    const int64_t N = std::min(Count, Avail);
    std::memcpy(Buffer, FData.data() + FPosition, static_cast<std::size_t>(N));
    FPosition += N;
    return N;
}

int64_t TMemoryStream::Write(const void* Buffer, int64_t Count) {
    if (Count <= 0 || Count > INT64_MAX - FPosition)
        return 0;
    const int64_t End = FPosition + Count;
    if (End > Size()) {
        // Grow geometrically: many small writes must not copy the whole buffer each time.
        if (static_cast<std::size_t>(End) > FData.capacity())
            FData.reserve(std::max(static_cast<std::size_t>(End), FData.capacity() * 2));
        FData.resize(static_cast<std::size_t>(End)); // a gap after a seek past the end is zeroed
    }
    std::memcpy(FData.data() + FPosition, Buffer, static_cast<std::size_t>(Count));
    FPosition = End;
    return Count;
}

int64_t TMemoryStream::Seek(int64_t Offset, TSeekOrigin Origin) {
    FPosition = NewPosition(FPosition, Size(), Offset, Origin);
    return FPosition;
}

void TMemoryStream::SetSize(int64_t NewSize) {
    if (NewSize < 0)
        throw EStreamError("Invalid stream size");
    FData.resize(static_cast<std::size_t>(NewSize));
    if (FPosition > NewSize)
        FPosition = NewSize;
}

void TMemoryStream::Clear() {
    FData.clear();
    FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream& Source) {
    Source.SetPosition(0);
    const int64_t N = Source.Size();
    std::vector<uint8_t> Data(static_cast<std::size_t>(N));
    Source.ReadBuffer(Data.data(), N);
    FData.swap(Data);
    FPosition = 0;
}

void TMemoryStream::SaveToStream(TStream& Dest) const {
    Dest.WriteBuffer(FData.data(), static_cast<int64_t>(FData.size()));
}

void TMemoryStream::LoadFromFile(const TKSString& FileName) {
    TKSFileStream F(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(F);
}

void TMemoryStream::SaveToFile(const TKSString& FileName) const {
    TKSFileStream F(FileName, fmCreate);
    SaveToStream(F);
}

// ---- TReadOnlyMemoryStream ---------------------------------------------------------------------

TReadOnlyMemoryStream::TReadOnlyMemoryStream(const void* Data, int64_t Size)
    : FData(static_cast<const uint8_t*>(Data)), FSize(Size < 0 ? 0 : Size) {
    if (!FData)
        FSize = 0;
}

int64_t TReadOnlyMemoryStream::Read(void* Buffer, int64_t Count) {
    const int64_t Avail = FSize - FPosition;
    if (Count <= 0 || Avail <= 0)
        return 0;
    const int64_t N = std::min(Count, Avail);
    std::memcpy(Buffer, FData + FPosition, static_cast<std::size_t>(N));
    FPosition += N;
    return N;
}

int64_t TReadOnlyMemoryStream::Write(const void*, int64_t) {
    return 0;
}

int64_t TReadOnlyMemoryStream::Seek(int64_t Offset, TSeekOrigin Origin) {
    FPosition = NewPosition(FPosition, FSize, Offset, Origin);
    return FPosition;
}

void TReadOnlyMemoryStream::SetSize(int64_t) {
    throw EStreamError("Cannot change the size of a read-only stream");
}

} // namespace ks
