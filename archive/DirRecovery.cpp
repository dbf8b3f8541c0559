// DirRecovery.cpp -- rebuilding the directory from local headers, and the signature scans.
#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "archive/DirStreamIO.h"
#include "archive/KSBaseArchiver.h"
#include "archive/KSDirManager.h"
#include "archive/KSExcept.h"

namespace ks {

namespace {

constexpr int64_t KSRecoveryBlockSize = 65535;
constexpr int64_t KSSignatureBlockSize = 10000;
constexpr uint16_t KSMaxRecoveredNameLength = 260;
constexpr uint32_t KSDirectoryAttr = 0x10;
constexpr uint32_t KSArchiveAttr = 0x20;

} // namespace

void TKSDirManager::TryToBuildCentralDir() {
    CDir.Clear();
    if (IsSpanned())
        throw EKSException(44, nullptr);
    BuildCentralDirByLocalHeaders();
    CentralDirOffset = FCompressedStream->Size();
}

void TKSDirManager::BuildCentralDirByLocalHeaders() {
    struct TScanRelease {
        TKSScanCache& Cache;
        ~TScanRelease() { Cache.Reset(); }
    } Release{FScan};

    const int64_t Size = FCompressedStream->Size();
    int64_t Pos = FindLocalFileHeader(0);
    if (Pos < 0)
        throw EKSException(35, nullptr);
    std::vector<uint8_t> Variable;
    while (Pos >= 0) {
        std::array<uint8_t, KSZipFileHeaderSize> Bytes{};
        if (!KSReadAt(FCompressedStream, Pos, Bytes.data(), Bytes.size()))
            break;
        TKSZipFileHeader Local;
        (void)DecodeRecord(Bytes, Local);
        // A real entry has a name of sane length and data that fits into the stream; anything else
        // is a stray signature (inside stored data, for instance).
        // A saturated size is tested once the local Zip64 field has supplied the real one.
        const bool SizeFromZip64 = Local.compSize == KSZip64Marker32;
        if ((SizeFromZip64 || static_cast<int64_t>(Local.compSize) < Size) &&
            Local.nameLength <= KSMaxRecoveredNameLength && Local.nameLength > 0) {
            TDirItem Item;
            TKSZipCentralDir& C = Item.CentralDir;
            C.signature = ZipCentralDirSignature;
            C.versionMadeBy = Local.extractVersion;
            C.extractVersion = Local.extractVersion;
            C.genPurposeFlag = Local.genPurposeFlag;
            C.compMethod = Local.compMethod;
            C.lastModTime = Local.lastModTime;
            C.lastModDate = Local.lastModDate;
            C.crc32 = Local.crc32;
            C.compSize = Local.compSize;
            C.unCompSize = Local.unCompSize;
            C.nameLength = Local.nameLength;
            C.extraLength = Local.extraLength;
            C.commentLength = 0;
            C.diskNumberStart = 0;
            C.internalAttr = 0;
            Item.CompressionMethod = Local.compMethod;
            if (Pos < static_cast<int64_t>(KSZip64Marker32)) {
                C.relOffsetLH = static_cast<uint32_t>(Pos);
            } else {
                C.relOffsetLH = KSZip64Marker32;
                Item.Zip64ExtInfo.relOffsetLH = static_cast<uint64_t>(Pos);
                Item.bHugeFile = true;
            }

            // Name and extra fields, as far as the stream holds them.
            const int64_t AfterHeader = Pos + static_cast<int64_t>(KSZipFileHeaderSize);
            const int64_t Available = Size - AfterHeader;
            TKSString Name;
            if (Available >= Local.nameLength) {
                const size_t ExtraPresent =
                    static_cast<size_t>(std::min<int64_t>(Local.extraLength, Available - Local.nameLength));
                Variable.resize(Local.nameLength + ExtraPresent);
                (void)KSReadAt(FCompressedStream, AfterHeader, Variable.data(), Variable.size());
                const std::span<const uint8_t> RawName(Variable.data(), Local.nameLength);
                TKSNameOverrides Names;
                if (Local.extraLength > 0) {
                    Item.bHugeFile = false;
                    ReadExtraFields(
                        Item, std::span<const uint8_t>(Variable.data() + Local.nameLength, ExtraPresent),
                        true, RawName, Names);
                    if (C.relOffsetLH == KSZip64Marker32)
                        Item.bHugeFile = true;
                }
                Name = ItemName(Item, RawName, Names);
            }

            if (SizeFromZip64 && Item.Zip64ExtInfo.compSize >= static_cast<uint64_t>(Size))
                Name.clear();
            if (!Name.empty()) {
                // Only an empty entry whose name marks a folder is a folder; an empty file stays a file.
                const bool Folder = Local.unCompSize == 0 &&
                                    (Local.genPurposeFlag & KSFlagDataDescriptor) == 0 && Name.back() == u'/';
                C.externalAttr = Folder ? KSDirectoryAttr : KSArchiveAttr;
                if ((Local.genPurposeFlag & KSFlagDataDescriptor) != 0) {
                    TKSZipDataDescriptor Descriptor;
                    bool Complete = false;
                    if (FindDataDescriptor(Pos, Descriptor, Complete) && Complete) {
                        C.crc32 = Descriptor.crc32;
                        C.compSize = Descriptor.compressedSize;
                        C.unCompSize = Descriptor.uncompressedSize;
                    }
                }
                const int32_t Index = CDir.Count();
                CDir.SetCount(Index + 1);
                *CDir.GetItemPtr(Index) = std::move(Item);
                CDir.SetItemName(Index, std::move(Name));
            }
        }
        Pos = FindLocalFileHeader(Pos + 4);
    }
}

int64_t TKSDirManager::FindSignatureInBlocks(int64_t StartPosition, uint32_t Signature) {
    const int64_t Size = FCompressedStream->Size();
    if (FScan.Stream != FCompressedStream || FScan.StreamSize != Size) {
        FScan.Reset();
        FScan.Stream = FCompressedStream;
        FScan.StreamSize = Size;
    }
    const char Sig[4] = {static_cast<char>(Signature), static_cast<char>(Signature >> 8),
                         static_cast<char>(Signature >> 16), static_cast<char>(Signature >> 24)};
    const std::string_view Needle(Sig, 4);
    int64_t Pos = std::max<int64_t>(StartPosition, 0);
    TKSStreamPositionKeeper Keep(FCompressedStream);
    while (Pos < Size) {
        const int64_t CacheEnd = FScan.Start + static_cast<int64_t>(FScan.Data.size());
        if (!(Pos >= FScan.Start && Pos < CacheEnd)) {
            const int64_t Length = std::min(KSRecoveryBlockSize, Size - Pos);
            FScan.Data.resize(static_cast<size_t>(Length));
            FScan.Start = Pos;
            if (!KSReadAt(FCompressedStream, Pos, FScan.Data.data(), FScan.Data.size()))
                return -1;
        }
        const std::string_view Block(reinterpret_cast<const char*>(FScan.Data.data()), FScan.Data.size());
        const size_t Found = Block.find(Needle, static_cast<size_t>(Pos - FScan.Start));
        if (Found != std::string_view::npos)
            return FScan.Start + static_cast<int64_t>(Found);
        const int64_t BlockEnd = FScan.Start + static_cast<int64_t>(FScan.Data.size());
        if (BlockEnd >= Size)
            return -1;
        // The next block overlaps this one by 3 bytes, so that a signature cut by the block
        // boundary is found there.
        const int64_t Next = std::max(BlockEnd - 3, Pos + 1);
        FScan.Start = Next;
        const int64_t Length = std::min(KSRecoveryBlockSize, Size - Next);
        FScan.Data.resize(static_cast<size_t>(Length));
        if (!KSReadAt(FCompressedStream, Next, FScan.Data.data(), FScan.Data.size()))
            return -1;
        Pos = Next;
    }
    return -1;
}

int64_t TKSDirManager::FindLocalFileHeader(int64_t StartPosition) {
    const int64_t Found = FindSignatureInBlocks(StartPosition, ZipFileHeaderSignature);
    if (Found < 0 || FCompressedStream->Size() - Found < static_cast<int64_t>(KSZipFileHeaderSize))
        return -1;
    return Found;
}

bool TKSDirManager::FindDataDescriptor(int64_t StartPosition, TKSZipDataDescriptor& Descriptor,
                                       bool& Complete) {
    Complete = false;
    const int64_t Found = FindSignatureInBlocks(StartPosition, ZipDataDescriptorSignature);
    if (Found < 0)
        return false;
    TKSStreamPositionKeeper Keep(FCompressedStream);
    std::array<uint8_t, KSZipDataDescriptorSize> Bytes{};
    if (KSReadAt(FCompressedStream, Found, Bytes.data(), Bytes.size())) {
        (void)DecodeRecord(Bytes, Descriptor);
        Complete = true;
    }
    return true;
}

bool TKSDirManager::FindSignature(TStream* Stream, int64_t& Offset, const uint8_t* Signature,
                                  int SignatureLen) {
    if (Stream == nullptr || Signature == nullptr || SignatureLen <= 0 ||
        SignatureLen >= KSSignatureBlockSize)
        return false;
    TKSStreamPositionKeeper Keep(Stream);
    const int64_t Size = Stream->Size();
    std::vector<uint8_t> Block(static_cast<size_t>(KSSignatureBlockSize));
    const size_t Len = static_cast<size_t>(SignatureLen);
    for (int64_t w = std::max<int64_t>(Offset, 0); w < Size; w += KSSignatureBlockSize - SignatureLen) {
        Stream->SetPosition(w);
        const int64_t Got = Stream->Read(Block.data(), KSSignatureBlockSize);
        if (Got < static_cast<int64_t>(Len))
            continue;
        for (size_t j = 0; j + Len <= static_cast<size_t>(Got); ++j) {
            if (Block[j] != Signature[0])
                continue;
            // Byte-wise comparison that ends at a zero byte common to both.
            size_t k = 0;
            while (k < Len && Block[j + k] == Signature[k] && Signature[k] != 0)
                ++k;
            if (k == Len || (Block[j + k] == Signature[k] && Signature[k] == 0)) {
                Offset = w + static_cast<int64_t>(j);
                return true;
            }
        }
    }
    return false;
}

} // namespace ks
