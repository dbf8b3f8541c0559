// ZipRecords.h -- every on-disk ZIP record the engine knows, with its decoding and encoding.
//
// The structs are plain field holders in host form; their on-disk layout is produced only by the
// Decode/Encode functions, byte by byte and little-endian, so neither the host's byte order nor its
// struct packing matters. Each record's size in the file is its static member `Size`.
//
// A 32-bit size or offset holding 0xFFFFFFFF, or a 16-bit disk number or count holding 0xFFFF, means
// that the value lives in a Zip64 record or in the Zip64 extra field.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/KSStreams.h"
#include "platform/KSTypes.h"

namespace ks {

// ---- constants -------------------------------------------------------------------------------

inline constexpr uint32_t ZipFileHeaderSignature = 0x04034B50;             // "PK\3\4"
inline constexpr uint32_t ZipDataDescriptorSignature = 0x08074B50;         // "PK\7\8"
inline constexpr uint32_t ZipCentralDirSignature = 0x02014B50;             // "PK\1\2"
inline constexpr uint32_t Zip64CentralDirEndSignature = 0x06064B50;        // "PK\6\6"
inline constexpr uint32_t Zip64CentralDirEndLocatorSignature = 0x07064B50; // "PK\6\7"
inline constexpr uint32_t ZipCentralDirEndSignature = 0x06054B50;          // "PK\5\6"

inline constexpr size_t KSZipFileHeaderSize = 30;
inline constexpr size_t KSZipCentralDirSize = 46;
inline constexpr size_t KSZipCentralDirEndSize = 22;
inline constexpr size_t KSZip64CentralDirEndSize = 56;
inline constexpr size_t KSZip64CentralDirEndLocatorSize = 20;
inline constexpr size_t KSZipDataDescriptorSize = 16;
inline constexpr size_t KSExtraFieldHeaderSize = 4; // headerID + dataSize

inline constexpr uint16_t Zip64ExtraFieldHeaderID = 0x0001;
inline constexpr uint16_t UnicodeExtraFieldHeaderID = 0x554E;      // "NU" on disk
inline constexpr uint32_t UnicodeAdditionalSignature = 0x5843554E; // "NUCX" on disk
inline constexpr uint16_t AesExtraFieldHeaderID = 0x9901;
inline constexpr size_t KSAesExtraFieldDataSize = 7;

inline constexpr uint16_t ZipGenPurposeFlag = 0;         // default flag word
inline constexpr uint16_t KSFlagEncrypted = 0x0001;      // bit 0
inline constexpr uint16_t KSFlagDataDescriptor = 0x0008; // bit 3
inline constexpr uint16_t KSFlagUtf8Names = 0x0800;      // bit 11 (never honoured when reading)

inline constexpr uint16_t ZIP_None = 0;      // stored
inline constexpr uint16_t ZIP_ZLIB = 8;      // deflate
inline constexpr uint16_t ZIP_Deflate64 = 9; // recognised only to be refused
inline constexpr uint16_t ZIP_AES = 99;      // AES marker; the real method is in the AES field

// An AES field is interpreted, and an AES item decrypted, only below this version needed to extract.
inline constexpr uint16_t KSAesExtractVersionLimit = 0x4114;

inline constexpr uint32_t KSZip64Marker32 = 0xFFFFFFFF;
inline constexpr uint16_t KSZip64Marker16 = 0xFFFF;

// The engine's 32-bit file date value: MS-DOS date in the high word, time in the low word.
constexpr int32_t KSDosDateTime(uint16_t Time, uint16_t Date) noexcept {
    return static_cast<int32_t>((static_cast<uint32_t>(Date) << 16) | Time);
}
constexpr uint16_t KSDosTimeOf(int32_t DateTime) noexcept {
    return static_cast<uint16_t>(static_cast<uint32_t>(DateTime) & 0xFFFF);
}
constexpr uint16_t KSDosDateOf(int32_t DateTime) noexcept {
    return static_cast<uint16_t>(static_cast<uint32_t>(DateTime) >> 16);
}

// ---- fixed records ---------------------------------------------------------------------------

// Local file header (30 bytes; name, extra fields and the item data follow).
struct TKSZipFileHeader {
    static constexpr size_t Size = KSZipFileHeaderSize;
    uint32_t signature = ZipFileHeaderSignature;
    uint16_t extractVersion = 0;
    uint16_t genPurposeFlag = 0;
    uint16_t compMethod = 0;
    uint16_t lastModTime = 0;
    uint16_t lastModDate = 0;
    uint32_t crc32 = 0;
    uint32_t compSize = 0;
    uint32_t unCompSize = 0;
    uint16_t nameLength = 0;
    uint16_t extraLength = 0;
    bool operator==(const TKSZipFileHeader&) const = default;
};

// Data descriptor in its signed form with 32-bit sizes (16 bytes).
struct TKSZipDataDescriptor {
    static constexpr size_t Size = KSZipDataDescriptorSize;
    uint32_t Signature = ZipDataDescriptorSignature;
    uint32_t crc32 = 0;
    uint32_t compressedSize = 0;
    uint32_t uncompressedSize = 0;
    bool operator==(const TKSZipDataDescriptor&) const = default;
};

// Central directory file header (46 bytes; name, extra fields and item comment follow).
struct TKSZipCentralDir {
    static constexpr size_t Size = KSZipCentralDirSize;
    uint32_t signature = ZipCentralDirSignature;
    uint16_t versionMadeBy = 0;
    uint16_t extractVersion = 0;
    uint16_t genPurposeFlag = 0;
    uint16_t compMethod = 0;
    uint16_t lastModTime = 0;
    uint16_t lastModDate = 0;
    uint32_t crc32 = 0;
    uint32_t compSize = 0;
    uint32_t unCompSize = 0;
    uint16_t nameLength = 0;
    uint16_t extraLength = 0;
    uint16_t commentLength = 0;
    uint16_t diskNumberStart = 0;
    uint16_t internalAttr = 0;
    uint32_t externalAttr = 0;
    uint32_t relOffsetLH = 0;
    bool operator==(const TKSZipCentralDir&) const = default;
};

// End of central directory record (22 bytes; the archive comment follows).
struct TKSZipCentralDirEnd {
    static constexpr size_t Size = KSZipCentralDirEndSize;
    uint32_t signature = ZipCentralDirEndSignature;
    uint16_t diskNumber = 0;
    uint16_t startDiskNumber = 0;
    uint16_t entriesOnDisk = 0;
    uint16_t entriesCentralDir = 0;
    uint32_t centralDirSize = 0;
    uint32_t offsetStartDir = 0;
    uint16_t commentLength = 0;
    bool operator==(const TKSZipCentralDirEnd&) const = default;
};

// Zip64 end of central directory record (56 bytes; an extensible data sector is not read).
struct TKSZip64CentralDirEnd {
    static constexpr size_t Size = KSZip64CentralDirEndSize;
    uint32_t signature = Zip64CentralDirEndSignature;
    uint64_t centralDirEndSize = 44; // size of the record after this field
    uint16_t versionMadeBy = 0;
    uint16_t versionNeededToExtract = 0;
    uint32_t diskNumber = 0;
    uint32_t startDiskNumber = 0;
    uint64_t entriesOnDisk = 0;
    uint64_t entriesCentralDir = 0;
    uint64_t centralDirSize = 0;
    uint64_t offsetStartDir = 0;
    bool operator==(const TKSZip64CentralDirEnd&) const = default;
};

// Zip64 end of central directory locator (20 bytes).
struct TKSZip64CentralDirEndLocator {
    static constexpr size_t Size = KSZip64CentralDirEndLocatorSize;
    uint32_t signature = Zip64CentralDirEndLocatorSignature;
    uint32_t startDiskNumber = 0;
    uint64_t offsetStartDirEnd = 0;
    uint32_t totalNumberOfDisks = 0;
    bool operator==(const TKSZip64CentralDirEndLocator&) const = default;
};

// Decoding: false when Bytes holds fewer than the record's Size bytes (nothing is read then).
// Only the first Size bytes are used; the signature is taken as it is and not tested.
[[nodiscard]] bool DecodeRecord(std::span<const uint8_t> Bytes, TKSZipFileHeader& Out) noexcept;
[[nodiscard]] bool DecodeRecord(std::span<const uint8_t> Bytes, TKSZipDataDescriptor& Out) noexcept;
[[nodiscard]] bool DecodeRecord(std::span<const uint8_t> Bytes, TKSZipCentralDir& Out) noexcept;
[[nodiscard]] bool DecodeRecord(std::span<const uint8_t> Bytes, TKSZipCentralDirEnd& Out) noexcept;
[[nodiscard]] bool DecodeRecord(std::span<const uint8_t> Bytes, TKSZip64CentralDirEnd& Out) noexcept;
[[nodiscard]] bool DecodeRecord(std::span<const uint8_t> Bytes, TKSZip64CentralDirEndLocator& Out) noexcept;

// Encoding: exactly the record's Size bytes.
std::array<uint8_t, KSZipFileHeaderSize> EncodeRecord(const TKSZipFileHeader& R) noexcept;
std::array<uint8_t, KSZipDataDescriptorSize> EncodeRecord(const TKSZipDataDescriptor& R) noexcept;
std::array<uint8_t, KSZipCentralDirSize> EncodeRecord(const TKSZipCentralDir& R) noexcept;
std::array<uint8_t, KSZipCentralDirEndSize> EncodeRecord(const TKSZipCentralDirEnd& R) noexcept;
std::array<uint8_t, KSZip64CentralDirEndSize> EncodeRecord(const TKSZip64CentralDirEnd& R) noexcept;
std::array<uint8_t, KSZip64CentralDirEndLocatorSize>
EncodeRecord(const TKSZip64CentralDirEndLocator& R) noexcept;

// Appends the encoded record to Out.
template <typename TRecord> void AppendRecord(std::vector<uint8_t>& Out, const TRecord& R) {
    const auto Bytes = EncodeRecord(R);
    Out.insert(Out.end(), Bytes.begin(), Bytes.end());
}

// Reads one record at the stream's position with one read of its Size bytes; a stream that cannot
// deliver them raises its read error (EReadError) and Out is unchanged.
template <typename TRecord> void ReadRecord(TStream& Stream, TRecord& Out) {
    std::array<uint8_t, TRecord::Size> Bytes;
    Stream.ReadBuffer(Bytes.data(), static_cast<int64_t>(Bytes.size()));
    (void)DecodeRecord(Bytes, Out);
}
// Writes one record with one write of its Size bytes (EWriteError when the stream refuses).
template <typename TRecord> void WriteRecord(TStream& Stream, const TRecord& R) {
    const auto Bytes = EncodeRecord(R);
    Stream.WriteBuffer(Bytes.data(), static_cast<int64_t>(Bytes.size()));
}

// True when Bytes starts with the 4 bytes of Signature (little-endian).
bool HasSignature(std::span<const uint8_t> Bytes, uint32_t Signature) noexcept;

// The end record of a new, empty archive: both disk numbers = max(VolumeNumber, 0), zero counts
// and size, offsetStartDir = the position at which it is written, no comment.
TKSZipCentralDirEnd MakeEmptyCentralDirEnd(int32_t VolumeNumber, uint64_t Position) noexcept;
std::array<uint8_t, KSZipCentralDirEndSize> EncodeEmptyCentralDirEnd(int32_t VolumeNumber,
                                                                     uint64_t Position) noexcept;

// ---- extra fields ----------------------------------------------------------------------------

// One extra block as kept with an item: the two header words and an owned copy of the data.
struct TKSExtraFieldDataBlock {
    uint16_t headerID = 0;
    uint16_t dataSize = 0;      // equals pData.size()
    std::vector<uint8_t> pData; // owned copy of the data part
    bool operator==(const TKSExtraFieldDataBlock&) const = default;
};

// Walks an extra area block by block without copying. A block whose dataSize runs past the end of
// the area is cut to the bytes present; a tail of fewer than 4 bytes cannot hold a block header and
// ends the walk (it is not a block).
class TKSExtraFieldWalker {
public:
    explicit TKSExtraFieldWalker(std::span<const uint8_t> Extra) noexcept : FExtra(Extra) {}
    // The next block: its header ID, its (possibly cut) data; false at the end.
    [[nodiscard]] bool Next(uint16_t& HeaderID, std::span<const uint8_t>& Data) noexcept;

private:
    std::span<const uint8_t> FExtra;
    size_t FPos = 0;
};

// Every block of an extra area, in order, as owned copies (rules of TKSExtraFieldWalker).
std::vector<TKSExtraFieldDataBlock> SplitExtraFields(std::span<const uint8_t> Extra);

// Encodes one block (header + data). Data longer than 65535 bytes cannot be a block: nullopt.
std::optional<std::vector<uint8_t>> EncodeExtraField(uint16_t HeaderID, std::span<const uint8_t> Data);

// ---- Zip64 extended information (header ID 0x0001) --------------------------------------------

struct TKSZip64ExtendedInfo {
    uint64_t uncompSize = 0;
    uint64_t compSize = 0;
    uint64_t relOffsetLH = 0;
    uint32_t diskNumberStart = 0;
    bool operator==(const TKSZip64ExtendedInfo&) const = default;
};

// Which of the four values the data part carries: those whose fixed field holds its marker.
struct TKSZip64Presence {
    bool uncompSize = false;
    bool compSize = false;
    bool relOffsetLH = false;
    bool diskNumberStart = false;
};
TKSZip64Presence Zip64PresenceOf(const TKSZipCentralDir& Header) noexcept;
// A local header has no offset or disk fields: only the two sizes can be present.
TKSZip64Presence Zip64PresenceOf(const TKSZipFileHeader& Header) noexcept;

// Reads the Zip64 data part: in the order uncompressed size (8), compressed size (8), local header
// offset (8), disk start number (4), each value that is present is taken only when the data still
// holds its full width; it is then stored in Info and the walk advances. Values not taken keep
// their previous content in Info.
void ReadZip64ExtendedInfo(std::span<const uint8_t> Data, const TKSZip64Presence& Present,
                           TKSZip64ExtendedInfo& Info) noexcept;

// The data part (without the 4-byte header) holding the present values in order.
std::vector<uint8_t> EncodeZip64ExtendedInfo(const TKSZip64ExtendedInfo& Info,
                                             const TKSZip64Presence& Present);

// ---- Unicode name field (header ID 0x554E, "NUCX") --------------------------------------------

// Reader of the Unicode name field's data part: "NUCX", a 32-bit count n of UTF-16 code units, and
// the name in UTF-16LE (2n bytes, no terminating zero).
class TUnicodeExtendedInfo {
public:
    const TKSString& Name() const noexcept { return FName; }
    void SetName(const TKSString& Value) { FName = Value; }

    // Reads the data part. True when the additional signature is "NUCX" and the whole name is
    // present: FName then holds it. Otherwise false and FName is unchanged (a field that asks for
    // more code units than its data holds is not trusted; the header name stays in use).
    // FAdditionalSignature holds the first 4 bytes whenever there were 4.
    [[nodiscard]] bool Load(const uint8_t* Data, size_t Size);
    [[nodiscard]] bool Load(std::span<const uint8_t> Data) { return Load(Data.data(), Data.size()); }
    // The same rules, reading the whole of Stream from position 0.
    [[nodiscard]] bool LoadFromStream(TStream& Stream);

    TKSString FName;
    uint32_t FAdditionalSignature = 0;
};

// The whole Unicode name field (12 + 2n bytes, header included); nullopt when the name is too long
// for one extra block (more than 32763 code units).
std::optional<std::vector<uint8_t>> EncodeUnicodeExtraField(const TKSString& Name);

// ---- AES field (header ID 0x9901) -------------------------------------------------------------

struct TKSAesExtraField {
    uint16_t version = 2;                  // 1 = AE-1, 2 = AE-2
    uint16_t vendorID = 0x4541;            // two ASCII letters, "AE" on disk
    uint8_t strength = 3;                  // 1 = AES-128, 2 = AES-192, 3 = AES-256
    uint16_t compressionMethod = ZIP_ZLIB; // method actually used for the data
    bool operator==(const TKSAesExtraField&) const = default;
};

// Decodes the data part; false when it holds fewer than 7 bytes. Version and vendor are not tested.
[[nodiscard]] bool DecodeAesExtraField(std::span<const uint8_t> Data, TKSAesExtraField& Out) noexcept;
// The whole field: header (0x9901, 7) and the 7 data bytes.
std::array<uint8_t, KSExtraFieldHeaderSize + KSAesExtraFieldDataSize>
EncodeAesExtraField(const TKSAesExtraField& Field) noexcept;

// ---- names ------------------------------------------------------------------------------------

// A stored name ends at its first zero byte: the bytes before it.
std::span<const uint8_t> KSNameBytesUntilZero(std::span<const uint8_t> Name) noexcept;

} // namespace ks
