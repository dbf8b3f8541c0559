// ZipRecords.cpp -- byte-exact decoding and encoding of the ZIP records.
#include "archive/ZipRecords.h"

#include <algorithm>

#include "archive/KSByteCursor.h"

namespace ks {

namespace {

// Reads the fields of a record in order; the caller has checked that the whole record fits, so
// every read succeeds (a failed one would leave the field at its previous value, never overrun).
class TFieldReader {
public:
    explicit TFieldReader(std::span<const uint8_t> Bytes) : FReader(Bytes) {}
    template <typename T> TFieldReader& operator()(T& Field) {
        (void)FReader.Read(Field);
        return *this;
    }

private:
    TKSByteReader FReader;
};

template <size_t N> class TFieldWriter {
public:
    explicit TFieldWriter(std::array<uint8_t, N>& Out) : FOut(Out) {}
    TFieldWriter& operator()(uint8_t v) { return Put(v, 1); }
    TFieldWriter& operator()(uint16_t v) { return Put(v, 2); }
    TFieldWriter& operator()(uint32_t v) { return Put(v, 4); }
    TFieldWriter& operator()(uint64_t v) { return Put(v, 8); }

private:
    TFieldWriter& Put(uint64_t v, size_t Width) {
        for (size_t i = 0; i < Width; ++i)
            FOut[FPos + i] = static_cast<uint8_t>(v >> (8 * i));
        FPos += Width;
        return *this;
    }
    std::array<uint8_t, N>& FOut;
    size_t FPos = 0;
};

} // namespace

// ---- fixed records -------------------------------------------------------------------------

bool DecodeRecord(std::span<const uint8_t> B, TKSZipFileHeader& R) noexcept {
    if (B.size() < R.Size)
        return false;
    TFieldReader{B}(R.signature)(R.extractVersion)(R.genPurposeFlag)(R.compMethod)(R.lastModTime)(
        R.lastModDate)(R.crc32)(R.compSize)(R.unCompSize)(R.nameLength)(R.extraLength);
    return true;
}

bool DecodeRecord(std::span<const uint8_t> B, TKSZipDataDescriptor& R) noexcept {
    if (B.size() < R.Size)
        return false;
    TFieldReader{B}(R.Signature)(R.crc32)(R.compressedSize)(R.uncompressedSize);
    return true;
}

bool DecodeRecord(std::span<const uint8_t> B, TKSZipCentralDir& R) noexcept {
    if (B.size() < R.Size)
        return false;
    TFieldReader{B}(R.signature)(R.versionMadeBy)(R.extractVersion)(R.genPurposeFlag)(R.compMethod)(
        R.lastModTime)(R.lastModDate)(R.crc32)(R.compSize)(R.unCompSize)(R.nameLength)(R.extraLength)(
        R.commentLength)(R.diskNumberStart)(R.internalAttr)(R.externalAttr)(R.relOffsetLH);
    return true;
}

bool DecodeRecord(std::span<const uint8_t> B, TKSZipCentralDirEnd& R) noexcept {
    if (B.size() < R.Size)
        return false;
    TFieldReader{B}(R.signature)(R.diskNumber)(R.startDiskNumber)(R.entriesOnDisk)(R.entriesCentralDir)(
        R.centralDirSize)(R.offsetStartDir)(R.commentLength);
    return true;
}

bool DecodeRecord(std::span<const uint8_t> B, TKSZip64CentralDirEnd& R) noexcept {
    if (B.size() < R.Size)
        return false;
    TFieldReader{B}(R.signature)(R.centralDirEndSize)(R.versionMadeBy)(R.versionNeededToExtract)(
        R.diskNumber)(R.startDiskNumber)(R.entriesOnDisk)(R.entriesCentralDir)(R.centralDirSize)(
        R.offsetStartDir);
    return true;
}

bool DecodeRecord(std::span<const uint8_t> B, TKSZip64CentralDirEndLocator& R) noexcept {
    if (B.size() < R.Size)
        return false;
    TFieldReader{B}(R.signature)(R.startDiskNumber)(R.offsetStartDirEnd)(R.totalNumberOfDisks);
    return true;
}

std::array<uint8_t, KSZipFileHeaderSize> EncodeRecord(const TKSZipFileHeader& R) noexcept {
    std::array<uint8_t, KSZipFileHeaderSize> B{};
    TFieldWriter{B}(R.signature)(R.extractVersion)(R.genPurposeFlag)(R.compMethod)(R.lastModTime)(
        R.lastModDate)(R.crc32)(R.compSize)(R.unCompSize)(R.nameLength)(R.extraLength);
    return B;
}

std::array<uint8_t, KSZipDataDescriptorSize> EncodeRecord(const TKSZipDataDescriptor& R) noexcept {
    std::array<uint8_t, KSZipDataDescriptorSize> B{};
    TFieldWriter{B}(R.Signature)(R.crc32)(R.compressedSize)(R.uncompressedSize);
    return B;
}

std::array<uint8_t, KSZipCentralDirSize> EncodeRecord(const TKSZipCentralDir& R) noexcept {
    std::array<uint8_t, KSZipCentralDirSize> B{};
    TFieldWriter{B}(R.signature)(R.versionMadeBy)(R.extractVersion)(R.genPurposeFlag)(R.compMethod)(
        R.lastModTime)(R.lastModDate)(R.crc32)(R.compSize)(R.unCompSize)(R.nameLength)(R.extraLength)(
        R.commentLength)(R.diskNumberStart)(R.internalAttr)(R.externalAttr)(R.relOffsetLH);
    return B;
}

std::array<uint8_t, KSZipCentralDirEndSize> EncodeRecord(const TKSZipCentralDirEnd& R) noexcept {
    std::array<uint8_t, KSZipCentralDirEndSize> B{};
    TFieldWriter{B}(R.signature)(R.diskNumber)(R.startDiskNumber)(R.entriesOnDisk)(R.entriesCentralDir)(
        R.centralDirSize)(R.offsetStartDir)(R.commentLength);
    return B;
}

std::array<uint8_t, KSZip64CentralDirEndSize> EncodeRecord(const TKSZip64CentralDirEnd& R) noexcept {
    std::array<uint8_t, KSZip64CentralDirEndSize> B{};
    TFieldWriter{B}(R.signature)(R.centralDirEndSize)(R.versionMadeBy)(R.versionNeededToExtract)(
        R.diskNumber)(R.startDiskNumber)(R.entriesOnDisk)(R.entriesCentralDir)(R.centralDirSize)(
        R.offsetStartDir);
    return B;
}

std::array<uint8_t, KSZip64CentralDirEndLocatorSize>
EncodeRecord(const TKSZip64CentralDirEndLocator& R) noexcept {
    std::array<uint8_t, KSZip64CentralDirEndLocatorSize> B{};
    TFieldWriter{B}(R.signature)(R.startDiskNumber)(R.offsetStartDirEnd)(R.totalNumberOfDisks);
    return B;
}

bool HasSignature(std::span<const uint8_t> Bytes, uint32_t Signature) noexcept {
    return Bytes.size() >= 4 && KSGetLE32(Bytes.data()) == Signature;
}

TKSZipCentralDirEnd MakeEmptyCentralDirEnd(int32_t VolumeNumber, uint64_t Position) noexcept {
    TKSZipCentralDirEnd R;
    const int32_t Volume = std::clamp<int32_t>(VolumeNumber, 0, KSZip64Marker16);
    R.diskNumber = R.startDiskNumber = static_cast<uint16_t>(Volume);
    R.entriesOnDisk = R.entriesCentralDir = 0;
    R.centralDirSize = 0;
    // A position beyond 32 bits cannot be stored; the marker says so rather than a wrapped value.
    R.offsetStartDir = Position >= KSZip64Marker32 ? KSZip64Marker32 : static_cast<uint32_t>(Position);
    R.commentLength = 0;
    return R;
}

std::array<uint8_t, KSZipCentralDirEndSize> EncodeEmptyCentralDirEnd(int32_t VolumeNumber,
                                                                     uint64_t Position) noexcept {
    return EncodeRecord(MakeEmptyCentralDirEnd(VolumeNumber, Position));
}

// ---- extra fields --------------------------------------------------------------------------

bool TKSExtraFieldWalker::Next(uint16_t& HeaderID, std::span<const uint8_t>& Data) noexcept {
    if (FExtra.size() - FPos < KSExtraFieldHeaderSize) {
        FPos = FExtra.size();
        return false;
    }
    const uint8_t* H = FExtra.data() + FPos;
    HeaderID = KSGetLE16(H);
    size_t DataSize = KSGetLE16(H + 2);
    FPos += KSExtraFieldHeaderSize;
    DataSize = std::min(DataSize, FExtra.size() - FPos);
    Data = FExtra.subspan(FPos, DataSize);
    FPos += DataSize;
    return true;
}

std::vector<TKSExtraFieldDataBlock> SplitExtraFields(std::span<const uint8_t> Extra) {
    std::vector<TKSExtraFieldDataBlock> Blocks;
    TKSExtraFieldWalker Walker(Extra);
    uint16_t ID = 0;
    std::span<const uint8_t> Data;
    while (Walker.Next(ID, Data))
        Blocks.push_back(
            {ID, static_cast<uint16_t>(Data.size()), std::vector<uint8_t>(Data.begin(), Data.end())});
    return Blocks;
}

std::optional<std::vector<uint8_t>> EncodeExtraField(uint16_t HeaderID, std::span<const uint8_t> Data) {
    if (Data.size() > 0xFFFF)
        return std::nullopt;
    std::vector<uint8_t> Out;
    Out.reserve(KSExtraFieldHeaderSize + Data.size());
    TKSByteWriter W(Out);
    W.U16(HeaderID);
    W.U16(static_cast<uint16_t>(Data.size()));
    W.Bytes(Data);
    return Out;
}

// ---- Zip64 ---------------------------------------------------------------------------------

TKSZip64Presence Zip64PresenceOf(const TKSZipCentralDir& H) noexcept {
    return {H.unCompSize == KSZip64Marker32, H.compSize == KSZip64Marker32, H.relOffsetLH == KSZip64Marker32,
            H.diskNumberStart == KSZip64Marker16};
}

TKSZip64Presence Zip64PresenceOf(const TKSZipFileHeader& H) noexcept {
    return {H.unCompSize == KSZip64Marker32, H.compSize == KSZip64Marker32, false, false};
}

void ReadZip64ExtendedInfo(std::span<const uint8_t> Data, const TKSZip64Presence& P,
                           TKSZip64ExtendedInfo& Info) noexcept {
    TKSByteReader R(Data);
    // A value that does not fit is not taken; the walk stays where it is for the next one, which
    // is narrower only for the disk number.
    if (P.uncompSize)
        (void)R.Read(Info.uncompSize);
    if (P.compSize)
        (void)R.Read(Info.compSize);
    if (P.relOffsetLH)
        (void)R.Read(Info.relOffsetLH);
    if (P.diskNumberStart)
        (void)R.Read(Info.diskNumberStart);
}

std::vector<uint8_t> EncodeZip64ExtendedInfo(const TKSZip64ExtendedInfo& Info, const TKSZip64Presence& P) {
    std::vector<uint8_t> Out;
    Out.reserve(28);
    TKSByteWriter W(Out);
    if (P.uncompSize)
        W.U64(Info.uncompSize);
    if (P.compSize)
        W.U64(Info.compSize);
    if (P.relOffsetLH)
        W.U64(Info.relOffsetLH);
    if (P.diskNumberStart)
        W.U32(Info.diskNumberStart);
    return Out;
}

// ---- Unicode name field --------------------------------------------------------------------

bool TUnicodeExtendedInfo::Load(const uint8_t* Data, size_t Size) {
    if (!Data)
        Size = 0;
    TKSByteReader R(std::span<const uint8_t>(Data, Size));
    uint32_t Signature = 0;
    if (!R.Read(Signature))
        return false;
    FAdditionalSignature = Signature;
    uint32_t Count = 0;
    if (Signature != UnicodeAdditionalSignature || !R.Read(Count))
        return false;
    std::span<const uint8_t> Units;
    // The count is checked against the bytes present before anything is allocated.
    if (Count > R.Remaining() / 2 || !R.ReadBytes(size_t{Count} * 2, Units))
        return false;
    TKSString Name(Count, u'\0');
    for (size_t i = 0; i < Count; ++i)
        Name[i] = static_cast<TKSChar>(KSGetLE16(Units.data() + 2 * i));
    FName = std::move(Name);
    return true;
}

bool TUnicodeExtendedInfo::LoadFromStream(TStream& Stream) {
    const int64_t Size = Stream.Size();
    if (Size <= 0)
        return false;
    // A name field is at most 65535 bytes; reading more would only waste memory.
    std::vector<uint8_t> Data(static_cast<size_t>(std::min<int64_t>(Size, 0xFFFF)));
    Stream.Seek(0, TSeekOrigin::soBeginning);
    int64_t Got = 0;
    while (Got < static_cast<int64_t>(Data.size())) {
        const int64_t n = Stream.Read(Data.data() + Got, static_cast<int64_t>(Data.size()) - Got);
        if (n <= 0)
            break;
        Got += n;
    }
    return Load(Data.data(), static_cast<size_t>(Got));
}

std::optional<std::vector<uint8_t>> EncodeUnicodeExtraField(const TKSString& Name) {
    if (Name.size() > (0xFFFF - 8) / 2)
        return std::nullopt;
    std::vector<uint8_t> Out;
    Out.reserve(12 + 2 * Name.size());
    TKSByteWriter W(Out);
    W.U16(UnicodeExtraFieldHeaderID);
    W.U16(static_cast<uint16_t>(8 + 2 * Name.size()));
    W.U32(UnicodeAdditionalSignature);
    W.U32(static_cast<uint32_t>(Name.size()));
    for (TKSChar c : Name)
        W.U16(static_cast<uint16_t>(c));
    return Out;
}

// ---- AES field -----------------------------------------------------------------------------

bool DecodeAesExtraField(std::span<const uint8_t> Data, TKSAesExtraField& Out) noexcept {
    if (Data.size() < KSAesExtraFieldDataSize)
        return false;
    TFieldReader{Data}(Out.version)(Out.vendorID)(Out.strength)(Out.compressionMethod);
    return true;
}

std::array<uint8_t, KSExtraFieldHeaderSize + KSAesExtraFieldDataSize>
EncodeAesExtraField(const TKSAesExtraField& F) noexcept {
    std::array<uint8_t, KSExtraFieldHeaderSize + KSAesExtraFieldDataSize> B{};
    TFieldWriter{B}(AesExtraFieldHeaderID)(static_cast<uint16_t>(KSAesExtraFieldDataSize))(F.version)(
        F.vendorID)(F.strength)(F.compressionMethod);
    return B;
}

// ---- names ---------------------------------------------------------------------------------

std::span<const uint8_t> KSNameBytesUntilZero(std::span<const uint8_t> Name) noexcept {
    const auto Zero = std::find(Name.begin(), Name.end(), uint8_t{0});
    return Name.first(static_cast<size_t>(Zero - Name.begin()));
}

} // namespace ks
