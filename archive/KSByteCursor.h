// KSByteCursor.h -- bounded little-endian reading and writing of byte buffers.
//
// Every ZIP record is decoded through TKSByteReader and encoded through TKSByteWriter. The reader
// never touches a byte outside its span: a read that does not fit returns false and leaves the
// cursor where it was, so a short or hostile buffer fails cleanly. Values are assembled byte by
// byte, which makes the result independent of the host's byte order and alignment.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace ks {

class TKSByteReader {
public:
    constexpr TKSByteReader() noexcept = default;
    constexpr explicit TKSByteReader(std::span<const uint8_t> Data) noexcept : FData(Data) {}

    constexpr size_t Size() const noexcept { return FData.size(); }
    constexpr size_t Position() const noexcept { return FPos; }
    constexpr size_t Remaining() const noexcept { return FData.size() - FPos; }
    constexpr bool CanRead(size_t Count) const noexcept { return Count <= Remaining(); }

    // Moves to an absolute position; false (and no move) beyond the end.
    constexpr bool Seek(size_t Position) noexcept {
        if (Position > FData.size())
            return false;
        FPos = Position;
        return true;
    }
    [[nodiscard]] constexpr bool Skip(size_t Count) noexcept {
        if (!CanRead(Count))
            return false;
        FPos += Count;
        return true;
    }

    [[nodiscard]] constexpr bool Read(uint8_t& Value) noexcept { return ReadLE(Value); }
    [[nodiscard]] constexpr bool Read(uint16_t& Value) noexcept { return ReadLE(Value); }
    [[nodiscard]] constexpr bool Read(uint32_t& Value) noexcept { return ReadLE(Value); }
    [[nodiscard]] constexpr bool Read(uint64_t& Value) noexcept { return ReadLE(Value); }

    // A view of the next Count bytes (no copy); false when fewer remain.
    [[nodiscard]] constexpr bool ReadBytes(size_t Count, std::span<const uint8_t>& Out) noexcept {
        if (!CanRead(Count))
            return false;
        Out = FData.subspan(FPos, Count);
        FPos += Count;
        return true;
    }

    // The bytes not read yet.
    constexpr std::span<const uint8_t> Rest() const noexcept { return FData.subspan(FPos); }

private:
    template <typename T> constexpr bool ReadLE(T& Value) noexcept {
        if (!CanRead(sizeof(T)))
            return false;
        T v = 0;
        for (size_t i = 0; i < sizeof(T); ++i)
            v = static_cast<T>(v | (static_cast<T>(FData[FPos + i]) << (8 * i)));
        Value = v;
        FPos += sizeof(T);
        return true;
    }

    std::span<const uint8_t> FData;
    size_t FPos = 0;
};

// Appends little-endian values to a byte vector.
class TKSByteWriter {
public:
    explicit TKSByteWriter(std::vector<uint8_t>& Out) noexcept : FOut(Out) {}

    void U8(uint8_t Value) { FOut.push_back(Value); }
    void U16(uint16_t Value) { PutLE(Value); }
    void U32(uint32_t Value) { PutLE(Value); }
    void U64(uint64_t Value) { PutLE(Value); }
    void Bytes(std::span<const uint8_t> Data) { FOut.insert(FOut.end(), Data.begin(), Data.end()); }

    std::vector<uint8_t>& Buffer() noexcept { return FOut; }

private:
    template <typename T> void PutLE(T Value) {
        for (size_t i = 0; i < sizeof(T); ++i)
            FOut.push_back(static_cast<uint8_t>(Value >> (8 * i)));
    }

    std::vector<uint8_t>& FOut;
};

// Little-endian stores into a fixed buffer, for records of known size.
constexpr void KSPutLE16(uint8_t* At, uint16_t Value) noexcept {
    At[0] = static_cast<uint8_t>(Value);
    At[1] = static_cast<uint8_t>(Value >> 8);
}
constexpr void KSPutLE32(uint8_t* At, uint32_t Value) noexcept {
    for (int i = 0; i < 4; ++i)
        At[i] = static_cast<uint8_t>(Value >> (8 * i));
}
constexpr void KSPutLE64(uint8_t* At, uint64_t Value) noexcept {
    for (int i = 0; i < 8; ++i)
        At[i] = static_cast<uint8_t>(Value >> (8 * i));
}
constexpr uint16_t KSGetLE16(const uint8_t* At) noexcept {
    return static_cast<uint16_t>(At[0] | (At[1] << 8));
}
constexpr uint32_t KSGetLE32(const uint8_t* At) noexcept {
    return static_cast<uint32_t>(At[0]) | (static_cast<uint32_t>(At[1]) << 8) |
           (static_cast<uint32_t>(At[2]) << 16) | (static_cast<uint32_t>(At[3]) << 24);
}
constexpr uint64_t KSGetLE64(const uint8_t* At) noexcept {
    return static_cast<uint64_t>(KSGetLE32(At)) | (static_cast<uint64_t>(KSGetLE32(At + 4)) << 32);
}

} // namespace ks
