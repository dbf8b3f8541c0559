// DirManager.cpp -- the directory manager's construction, the end-record search, the Zip64
// records, and the end record of a new, empty archive.
#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#include "archive/DirStreamIO.h"
#include "archive/KSBaseArchiver.h"
#include "archive/KSDirManager.h"
#include "archive/KSExcept.h"
#include "archive/KSOptions.h"
#include "platform/KSFiles.h"

namespace ks {

namespace {

// The end-record window: the 22-byte record plus the largest possible comment, and a little more.
constexpr int64_t KSEndRecordWindow = 65600;

} // namespace

TKSDirManager::TKSDirManager(TStream* Stream, TKSBaseArchiver* Arc, bool bCreate)
    : FCompressedStream(Stream), FCreate(bCreate),
      FIsCustomStream(Arc == nullptr || Stream != Arc->FCompressedStream), FArc(Arc) {
    InitCentralDirEnd();
    if (bCreate && FArc != nullptr) {
        if (FArc->FVolumeNumberInfo)
            FArc->FVolumeNumberInfo->SetFirstVolume(true);
        if (!FArc->FSFXStub.empty())
            SaveSFXStub();
    }
}

TKSDirManager::~TKSDirManager() = default;

void TKSDirManager::InitCentralDirEnd() {
    CDir.SetCount(0);
    CentralDirEnd = TKSZipCentralDirEnd{};
    CentralDirEnd.signature = ZipCentralDirEndSignature;
}

bool TKSDirManager::OEMFileNames() const {
    return FArc == nullptr || !FArc->FOptions || FArc->FOptions->FOEMFileNames;
}

bool TKSDirManager::OpenCorruptedArchives() const {
    return FArc == nullptr || FArc->FOpenCorruptedArchives;
}

bool TKSDirManager::IsSpanned() const {
    return FArc != nullptr && FArc->FSpanningMode != smNone;
}

bool TKSDirManager::GetCentralDirEnd(TKSZipCentralDirEnd& DirEnd, int64_t& Position, uint32_t Signature) {
    Position = -1;
    ArchiveComment.clear();
    DirEnd = TKSZipCentralDirEnd{};
    DirEnd.signature = 0;

    TKSStreamPositionKeeper Keep(FCompressedStream);
    const int64_t Size = FCompressedStream->Size();
    const int64_t Window = std::min(Size, KSEndRecordWindow);
    if (Window <= 0)
        return false;
    std::vector<uint8_t> Buffer(static_cast<size_t>(Window));
    const int64_t WindowStart = Size - Window;
    FCompressedStream->SetPosition(WindowStart);
    FCompressedStream->ReadBuffer(Buffer.data(), Window);

    const uint8_t Sig[4] = {static_cast<uint8_t>(Signature), static_cast<uint8_t>(Signature >> 8),
                            static_cast<uint8_t>(Signature >> 16), static_cast<uint8_t>(Signature >> 24)};
    for (int64_t i = Window - 1; i >= 3; --i) {
        const uint8_t* b = Buffer.data() + i - 3;
        if (b[3] != Sig[3] || b[0] != Sig[0] || b[1] != Sig[1] || b[2] != Sig[2])
            continue;
        const int64_t k = i - 3;
        // The record must be whole and its comment length must account exactly for the bytes
        // that follow it.
        if (Window - k < static_cast<int64_t>(KSZipCentralDirEndSize))
            continue;
        TKSZipCentralDirEnd Candidate;
        if (!DecodeRecord(std::span<const uint8_t>(b, KSZipCentralDirEndSize), Candidate))
            continue;
        const int64_t After = Window - k - static_cast<int64_t>(KSZipCentralDirEndSize);
        if (After != Candidate.commentLength)
            continue;
        DirEnd = Candidate;
        Position = WindowStart + k;
        if (Candidate.commentLength != 0)
            ArchiveComment.assign(reinterpret_cast<const char*>(b + KSZipCentralDirEndSize),
                                  Candidate.commentLength);
        return true;
    }
    return false;
}

bool TKSDirManager::HasCentralDirEnd() {
    int64_t Position = -1;
    const bool Found = GetCentralDirEnd(CentralDirEnd, Position, ZipCentralDirEndSignature);
    return OpenCorruptedArchives() ? true : Found;
}

bool TKSDirManager::ReadZip64Records(int64_t& Position) {
    FZip64 = false;
    if (Position <= static_cast<int64_t>(KSZip64CentralDirEndLocatorSize))
        return true;
    std::array<uint8_t, KSZip64CentralDirEndLocatorSize> Loc{};
    if (!KSReadAt(FCompressedStream, Position - static_cast<int64_t>(Loc.size()), Loc.data(), Loc.size()) ||
        !HasSignature(Loc, Zip64CentralDirEndLocatorSignature))
        return true;
    (void)DecodeRecord(Loc, Zip64CentralDirEndLocator);
    FZip64 = true;
    Position -= static_cast<int64_t>(KSZip64CentralDirEndLocatorSize);

    if (Position <= static_cast<int64_t>(KSZip64CentralDirEndSize))
        return false;
    std::array<uint8_t, KSZip64CentralDirEndSize> Rec{};
    // The locator's offset counts from the start of the archive proper; bytes placed in front of
    // the archive move the record, which then stands directly before the locator.
    const uint64_t Stored = Zip64CentralDirEndLocator.offsetStartDirEnd;
    bool Found = Stored <= static_cast<uint64_t>(INT64_MAX) &&
                 KSReadAt(FCompressedStream, static_cast<int64_t>(Stored), Rec.data(), Rec.size()) &&
                 HasSignature(Rec, Zip64CentralDirEndSignature);
    if (!Found)
        Found = KSReadAt(FCompressedStream, Position - static_cast<int64_t>(Rec.size()), Rec.data(),
                         Rec.size()) &&
                HasSignature(Rec, Zip64CentralDirEndSignature);
    if (!Found)
        return false;
    (void)DecodeRecord(Rec, Zip64CentralDirEnd);
    Position -= static_cast<int64_t>(KSZip64CentralDirEndSize);
    return true;
}

void TKSDirManager::OpenVolume(TKSVolumeNumberInfo* VolumeNumberInfo) {
    if (FIsCustomStream || FArc == nullptr || VolumeNumberInfo == nullptr)
        return;
    FArc->OpenVolume(*VolumeNumberInfo);
    FCompressedStream = FArc->FCompressedStream;
}

void TKSDirManager::SaveDir(bool RecreateCDirEnd, TStream* Stream) {
    if (!RecreateCDirEnd)
        return;
    TStream* Target = Stream != nullptr ? Stream : FCompressedStream;
    const int64_t Position = Target->Seek(0, TSeekOrigin::soEnd);
    CentralDirOffset = Position;
    const int32_t Volume =
        (FArc != nullptr && FArc->FVolumeNumberInfo) ? FArc->FVolumeNumberInfo->VolumeNumber() : 0;
    CentralDirEnd = MakeEmptyCentralDirEnd(Volume, static_cast<uint64_t>(Position));
    const auto Bytes = EncodeRecord(CentralDirEnd);
    Target->WriteBuffer(Bytes.data(), static_cast<int64_t>(Bytes.size()));
    if (Stream == nullptr)
        MoveToLastVolumeName();
}

void TKSDirManager::MoveToLastVolumeName() {
    // A new set's volume holding the end record is its last volume: it takes the last volume's
    // name (the archive's own name, or name.ZIP for a self-extractor) and stays the open stream.
    if (FIsCustomStream || FArc == nullptr || FArc->FInMemory || FArc->FSpanningMode == smNone ||
        FArc->VolumeFileName == FArc->FFileName)
        return;
    TKSString LastName = FArc->FFileName;
    FArc->MakeDefaultVolumeName(LastName, -1, false);
    const TKSString Current = FArc->VolumeFileName;
    if (LastName == Current)
        return;
    FArc->ReleaseVolumeStream();
    FCompressedStream = nullptr;
    // Creating replaces an existing archive of that name, as creating a single file does.
    if (KSFileExists(LastName))
        KSDeleteFile(LastName.c_str());
    const TKSString Final = KSRenameFile(Current.c_str(), LastName.c_str()) ? LastName : Current;
    FArc->ReopenFileStream(Final, KSOpenModeReadWrite);
    FCompressedStream = FArc->FCompressedStream;
    FCompressedStream->Seek(0, TSeekOrigin::soEnd);
}

void TKSDirManager::SaveSFXStub() {
    TKSFileStream Stub(FArc->FSFXStub, fmOpenRead | fmShareDenyNone);
    const int64_t StubBytes = Stub.Size();
    if (IsSpanned() && FArc->FSpanningOptions && FArc->FVolumeNumberInfo) {
        const int64_t Limit = FArc->FSpanningOptions->GetVolumeSize(*FArc->FVolumeNumberInfo);
        if (Limit > 0 && StubBytes > Limit)
            throw EKSException(47, FArc);
    }
    FCompressedStream->SetSize(0);
    FCompressedStream->SetPosition(0);
    if (StubBytes > 0)
        FCompressedStream->CopyFrom(Stub, 0);
    StubSize = StubBytes;
}

} // namespace ks
