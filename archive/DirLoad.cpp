// DirLoad.cpp -- LoadDir: the central directory read into the directory array, names and extra
// fields interpreted, the stub in front of the archive measured and the offsets corrected, and
// the plausibility check.
#include <algorithm>
#include <array>
#include <limits>
#include <optional>

#include "archive/DirStreamIO.h"
#include "archive/KSBaseArchiver.h"
#include "archive/KSByteCursor.h"
#include "archive/KSCRC32.h"
#include "archive/KSDirManager.h"
#include "archive/KSExcept.h"
#include "platform/KSStrings.h"

namespace ks {

namespace {

// Info-ZIP's Unicode Path extra field: version 1, CRC-32 of the header name bytes, UTF-8 name.
constexpr uint16_t KSUnicodePathExtraFieldHeaderID = 0x7075;

constexpr uint32_t KSDirectoryAttr = 0x10;

// Bytes 0x20..0x7E mean the same characters in every single-byte code page the engine converts,
// so such names skip the code-page tables.
bool IsPlainAscii(std::span<const uint8_t> Bytes) {
    for (uint8_t b : Bytes)
        if (b < 0x20 || b > 0x7E)
            return false;
    return true;
}

} // namespace

// ---- names and extra fields --------------------------------------------------------------------

TKSString TKSDirManager::DecodeName(std::span<const uint8_t> RawName, uint16_t Flags) const {
    // The stored name ends at its first zero byte.
    const std::span<const uint8_t> Bytes = KSNameBytesUntilZero(RawName);
    if (Bytes.empty())
        return TKSString();
    if (IsPlainAscii(Bytes))
        return TKSString(Bytes.begin(), Bytes.end());
    const std::string_view View(reinterpret_cast<const char*>(Bytes.data()), Bytes.size());
    // Bit 11 declares a UTF-8 name; a name that is not valid UTF-8 goes through the code pages.
    if ((Flags & KSFlagUtf8Names) != 0 && IsValidUtf8(View))
        return Utf8ToWide(View);
    if (OEMFileNames()) {
        AnsiString Ansi(View);
        KSOemToAnsiBuff(Ansi.data(), Ansi.size());
        return KSAnsiToWide(Ansi);
    }
    return KSAnsiToWide(View);
}

void TKSDirManager::ReadExtraFields(TDirItem& Item, std::span<const uint8_t> Extra, bool LocalHeader,
                                    std::span<const uint8_t> RawName, TKSNameOverrides& Names) {
    TKSZip64Presence Presence;
    if (LocalHeader) {
        TKSZipFileHeader Local;
        Local.compSize = Item.CentralDir.compSize;
        Local.unCompSize = Item.CentralDir.unCompSize;
        Presence = Zip64PresenceOf(Local);
    } else {
        Presence = Zip64PresenceOf(Item.CentralDir);
    }

    // A tail of 1 to 3 bytes cannot hold a block header: the walk ends there and the bytes are
    // skipped, so the rest of the item stays aligned.
    TKSExtraFieldWalker Walker(Extra);
    uint16_t HeaderID = 0;
    std::span<const uint8_t> Data;
    while (Walker.Next(HeaderID, Data)) {
        TKSExtraFieldDataBlock Block;
        Block.headerID = HeaderID;
        Block.dataSize = static_cast<uint16_t>(Data.size());
        Block.pData.assign(Data.begin(), Data.end());
        Item.ExtraFields.push_back(std::move(Block));

        switch (HeaderID) {
        case Zip64ExtraFieldHeaderID:
            ReadZip64ExtendedInfo(Data, Presence, Item.Zip64ExtInfo);
            Item.bHugeFile = true;
            break;
        case UnicodeExtraFieldHeaderID: {
            TUnicodeExtendedInfo Info;
            if (Info.Load(Data))
                Names.Unicode = std::move(Info.FName);
            break;
        }
        case KSUnicodePathExtraFieldHeaderID: {
            // Version 1 only, and only while it still describes the header name (its CRC-32).
            if (Data.size() < 5 || Data[0] != 1)
                break;
            const uint32_t Stored = KSGetLE32(Data.data() + 1);
            const uint32_t Actual = ~CRC32Bulk(0xFFFFFFFFu, RawName.data(), RawName.size());
            const std::string_view Utf8(reinterpret_cast<const char*>(Data.data() + 5), Data.size() - 5);
            if (Stored == Actual && IsValidUtf8(Utf8))
                Names.UnicodePath = Utf8ToWide(Utf8);
            break;
        }
        case AesExtraFieldHeaderID: {
            TKSAesExtraField Aes;
            if (Item.CentralDir.extractVersion < KSAesExtractVersionLimit && DecodeAesExtraField(Data, Aes)) {
                if (Aes.strength >= 1 && Aes.strength <= 3)
                    Item.KSEncryptionAlgorithm = static_cast<TKSCryptoAlgorithm>(Aes.strength);
                Item.CompressionMethod = Aes.compressionMethod;
            }
            break;
        }
        default:
            break;
        }
    }
}

TKSString TKSDirManager::ItemName(const TDirItem& Item, std::span<const uint8_t> RawName,
                                  TKSNameOverrides& Names) const {
    if (Names.Unicode)
        return std::move(*Names.Unicode);
    if (Names.UnicodePath)
        return std::move(*Names.UnicodePath);
    return DecodeName(RawName, Item.CentralDir.genPurposeFlag);
}

// ---- reading the central directory -----------------------------------------------------------

void TKSDirManager::ReadItem(int32_t Index, TKSVolumeNumberInfo& LoadVolume, TKSBlockReader& Reader) {
    if (IsSpanned() && Reader.Remaining() < static_cast<int64_t>(KSZipCentralDirSize)) {
        // The directory continues on the next volume.
        LoadVolume.SetVolumeNumber(LoadVolume.VolumeNumber() + 1);
        OpenVolume(&LoadVolume);
        Reader.Reset(FCompressedStream, 0);
    }
    if (Index == 0)
        CentralDirOffset = Reader.Position();

    PDirItem Item = CDir.GetItemPtr(Index);
    (void)DecodeRecord(std::span<const uint8_t>(Reader.Need(KSZipCentralDirSize), KSZipCentralDirSize),
                       Item->CentralDir);
    Item->CompressionMethod = Item->CentralDir.compMethod;

    const size_t NameLength = Item->CentralDir.nameLength;
    const size_t ExtraLength = Item->CentralDir.extraLength;
    const size_t CommentLength = Item->CentralDir.commentLength;
    const uint8_t* Variable = Reader.Need(NameLength + ExtraLength + CommentLength);
    const std::span<const uint8_t> RawName(Variable, NameLength);

    TKSNameOverrides Names;
    if (ExtraLength > 0) {
        Item->bHugeFile = false;
        ReadExtraFields(*Item, std::span<const uint8_t>(Variable + NameLength, ExtraLength), false, RawName,
                        Names);
    }
    if (CommentLength > 0)
        Item->Comment.assign(reinterpret_cast<const char*>(Variable + NameLength + ExtraLength),
                             CommentLength);
    else
        Item->Comment.clear();
    CDir.SetItemName(Index, ItemName(*Item, RawName, Names));
}

void TKSDirManager::LoadDir() {
    TKSVolumeNumberInfo LoadVolume;
    InitCentralDirEnd();
    StubSize = 0;
    CentralDirOffset = 0;

    int64_t p = -1;
    TKSZipCentralDirEnd Found;
    if (!GetCentralDirEnd(Found, p, ZipCentralDirEndSignature)) {
        TryToBuildCentralDir();
        return;
    }
    CentralDirEnd = Found;
    if (!ReadZip64Records(p))
        throw EKSException(40, nullptr);
    if (!FZip64 && CentralDirEnd.entriesCentralDir == KSZip64Marker16) {
        TryToBuildCentralDir();
        return;
    }

    // Volume numbers of the directory's start and of the last volume.
    int32_t StartVolume = CentralDirEnd.startDiskNumber;
    if (CentralDirEnd.startDiskNumber == KSZip64Marker16)
        StartVolume = FZip64 ? static_cast<int32_t>(Zip64CentralDirEnd.startDiskNumber) : 0;
    int32_t LastVolume = CentralDirEnd.diskNumber;
    if (CentralDirEnd.diskNumber == KSZip64Marker16)
        LastVolume = FZip64 ? static_cast<int32_t>(Zip64CentralDirEndLocator.totalNumberOfDisks - 1) : 0;
    LoadVolume.SetLastVolumeNumber(LastVolume);
    LoadVolume.SetVolumeNumber(StartVolume);
    const bool Spanned = IsSpanned();
    if (Spanned)
        OpenVolume(&LoadVolume);

    // In a single file the directory is found relative to the end records, so bytes in front of
    // the archive do not stop it from being read.
    int64_t DirStart;
    uint64_t Count;
    if (FZip64) {
        DirStart = Spanned ? static_cast<int64_t>(Zip64CentralDirEnd.offsetStartDir)
                           : p - static_cast<int64_t>(Zip64CentralDirEnd.centralDirSize);
        Count = Zip64CentralDirEnd.entriesCentralDir;
    } else {
        DirStart = Spanned ? static_cast<int64_t>(CentralDirEnd.offsetStartDir)
                           : p - static_cast<int64_t>(CentralDirEnd.centralDirSize);
        Count = CentralDirEnd.entriesCentralDir;
    }
    if (Spanned && FZip64 && Zip64CentralDirEnd.offsetStartDir > static_cast<uint64_t>(INT64_MAX))
        DirStart = -1;
    CentralDirOffset = DirStart;

    try {
        TKSBlockReader Reader(FCompressedStream, DirStart);
        if (DirStart < 0)
            throw EReadError("Stream read error");
        if (!Spanned) {
            // Every central header takes at least 46 bytes: a count the stream cannot hold ends
            // the way reading past its end would, before anything is allocated for it.
            if (Count > static_cast<uint64_t>(Reader.Remaining()) / KSZipCentralDirSize)
                throw EReadError("Stream read error");
            CDir.SetCount(static_cast<int32_t>(Count));
            for (int32_t i = 0; i < static_cast<int32_t>(Count); ++i)
                ReadItem(i, LoadVolume, Reader);
        } else {
            // The directory may run over several volumes: the array grows with what is read.
            if (Count > static_cast<uint64_t>(std::numeric_limits<int32_t>::max()))
                throw EReadError("Stream read error");
            for (int32_t i = 0; i < static_cast<int32_t>(Count); ++i) {
                CDir.SetCount(i + 1);
                ReadItem(i, LoadVolume, Reader);
            }
        }
    } catch (...) {
        if (!OpenCorruptedArchives())
            throw;
        TryToBuildCentralDir();
        return;
    }

    if (!OpenCorruptedArchives() && !Spanned)
        CheckIfCentralDirIsValid();
    // Both stub steps take the same reference item: find it once.
    FStubReference = -1;
    FStubReference = StubReferenceItem();
    struct TForget {
        int32_t& Ref;
        ~TForget() { Ref = -1; }
    } Forget{FStubReference};
    if (LoadVolume.LastVolumeNumber() == 0)
        CalculateStubSize(p);
    if (!IsStubOffsetApplied())
        ApplyStubOffset();
}

// ---- stub detection and offset correction ----------------------------------------------------

int32_t TKSDirManager::StubReferenceItem() {
    if (FStubReference >= 0 && FStubReference < CDir.Count())
        return FStubReference;
    // The item stored first: its local header is the first one in the file, whatever the order
    // of the central entries.
    int32_t Best = -1;
    uint64_t BestOffset = 0;
    const int32_t Count = CDir.Count();
    if (Count == 0)
        return -1;
    const TDirItem* Items = CDir.GetItemPtr(0);
    for (int32_t i = 0; i < Count; ++i) {
        const uint64_t Offset = Items[i].EffRelOffsetLH();
        if (Best < 0 || Offset < BestOffset) {
            Best = i;
            BestOffset = Offset;
        }
    }
    return Best;
}

bool TKSDirManager::LocalHeaderMatches(int64_t Position, const TDirItem& Reference) {
    std::array<uint8_t, KSZipFileHeaderSize> Bytes{};
    if (!KSReadAt(FCompressedStream, Position, Bytes.data(), Bytes.size()))
        return false;
    TKSZipFileHeader Local;
    (void)DecodeRecord(Bytes, Local);
    // The name must be readable too (it is not compared).
    const int64_t Size = FCompressedStream->Size();
    if (Size - Position - static_cast<int64_t>(KSZipFileHeaderSize) < Local.nameLength)
        return false;
    if (Local.signature != ZipFileHeaderSignature)
        return false;
    if (Position == 0)
        return true;
    const TKSZipCentralDir& C = Reference.CentralDir;
    return Local.crc32 == C.crc32 && Local.extractVersion == C.extractVersion &&
           Local.compMethod == C.compMethod && Local.lastModTime == C.lastModTime &&
           Local.lastModDate == C.lastModDate && Local.compSize == C.compSize &&
           Local.unCompSize == C.unCompSize;
}

void TKSDirManager::CalculateStubSize(int64_t DirEndPos) {
    TKSStreamPositionKeeper Keep(FCompressedStream);
    if (CDir.Count() == 0) {
        StubSize = DirEndPos;
        return;
    }
    const int32_t RefIndex = StubReferenceItem();
    const TDirItem& Reference = *CDir.GetItemPtr(RefIndex);
    const uint64_t RefOffset = Reference.EffRelOffsetLH();
    const int64_t Size = FCompressedStream->Size();
    static const uint8_t LocalSig[4] = {0x50, 0x4B, 0x03, 0x04};

    if (RefOffset < static_cast<uint64_t>(Size)) {
        int64_t Search = static_cast<int64_t>(RefOffset);
        while (Search < Size) {
            int64_t Found = Search;
            if (!FindSignature(FCompressedStream, Found, LocalSig, 4))
                break;
            if (LocalHeaderMatches(Found, Reference)) {
                StubSize = Found;
                return;
            }
            Search = Found + 1;
        }
    }

    // No header matched the reference: its local header carries zero CRC and sizes (written with
    // a data descriptor). The directory's real position against its stored offset then gives the
    // stub, provided a local header stands where the reference item's offset points once moved.
    const uint64_t StoredDirOffset =
        FZip64 ? Zip64CentralDirEnd.offsetStartDir : CentralDirEnd.offsetStartDir;
    if (CentralDirOffset > 0 && StoredDirOffset < static_cast<uint64_t>(CentralDirOffset)) {
        const int64_t Candidate = CentralDirOffset - static_cast<int64_t>(StoredDirOffset);
        const uint64_t Moved = RefOffset + static_cast<uint64_t>(Candidate);
        std::array<uint8_t, KSZipFileHeaderSize> Bytes{};
        if (Moved < static_cast<uint64_t>(Size) &&
            KSReadAt(FCompressedStream, static_cast<int64_t>(Moved), Bytes.data(), Bytes.size()) &&
            HasSignature(Bytes, ZipFileHeaderSignature))
            StubSize = Candidate;
    }
}

bool TKSDirManager::IsStubOffsetApplied() {
    const int32_t RefIndex = StubReferenceItem();
    if (RefIndex < 0)
        return true;
    return CDir.GetItemPtr(RefIndex)->EffRelOffsetLH() >=
           static_cast<uint64_t>(std::max<int64_t>(StubSize, 0));
}

void TKSDirManager::ApplyStubOffset() {
    if (StubSize <= 0)
        return;
    for (int32_t i = 0; i < CDir.Count(); ++i) {
        PDirItem Item = CDir.GetItemPtr(i);
        if ((Item->CentralDir.externalAttr & KSDirectoryAttr) != 0)
            continue;
        const uint64_t Moved = Item->EffRelOffsetLH() + static_cast<uint64_t>(StubSize);
        if (Item->CentralDir.relOffsetLH != KSZip64Marker32 && Moved >= KSZip64Marker32) {
            // The moved offset no longer fits the 32-bit field: it goes to the 64-bit value.
            Item->CentralDir.relOffsetLH = KSZip64Marker32;
            Item->bHugeFile = true;
        }
        Item->SetEffRelOffsetLH(Moved);
    }
}

void TKSDirManager::CheckIfCentralDirIsValid() {
    uint64_t Sum = 0;
    for (int32_t i = 0; i < CDir.Count(); ++i) {
        const uint64_t Size = CDir.GetItemPtr(i)->EffCompSize();
        Sum = (Sum > std::numeric_limits<uint64_t>::max() - Size) ? std::numeric_limits<uint64_t>::max()
                                                                  : Sum + Size;
    }
    if (static_cast<uint64_t>(FCompressedStream->Size()) < Sum)
        throw EKSException(57, nullptr);
}

} // namespace ks
