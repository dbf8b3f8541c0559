// KSOpen.cpp -- opening and closing an archive: the open-mode decision, the create, non-SFX and
// SFX paths, closing (with the end record of a new, empty archive) and in-memory switching.
#include <memory>

#include "archive/KSBaseArchiver.h"
#include "archive/KSConst.h"
#include "archive/KSDirManager.h"
#include "archive/KSExcept.h"
#include "archive/KSVolumeNumberInfo.h"
#include "platform/KSFiles.h"
#include "platform/KSStreams.h"
#include "platform/KSStrings.h"

namespace ks {

namespace {

// Restores OpenCorruptedArchives when an open path ends, however it ends.
class TOpenCorruptedGuard {
public:
    explicit TOpenCorruptedGuard(TKSBaseArchiver& Arc) : FArc(Arc), FSaved(Arc.FOpenCorruptedArchives) {}
    ~TOpenCorruptedGuard() { FArc.FOpenCorruptedArchives = FSaved; }
    TOpenCorruptedGuard(const TOpenCorruptedGuard&) = delete;
    TOpenCorruptedGuard& operator=(const TOpenCorruptedGuard&) = delete;

private:
    TKSBaseArchiver& FArc;
    bool FSaved;
};

bool HasFileNamePart(const TKSString& FileName) {
    return !KSExtractFileName(FileName).empty();
}

} // namespace

void TKSBaseArchiver::OpenArchive() {
    if (!FInMemory && !HasFileNamePart(FFileName))
        throw EKSException(KSNE_OpenArchiveNoName, this);
    uint16_t Mode;
    if (FInMemory || !KSFileExists(FFileName)) {
        Mode = KSOpenModeCreate;
    } else {
        // Read-write when nobody else holds the file for writing and we may write it; otherwise
        // read-only, which lets others do anything.
        try {
            TKSFileStream Probe(FFileName, KSOpenModeReadWrite);
            Mode = KSOpenModeReadWrite;
        } catch (const EStreamError&) {
            Mode = KSOpenModeReadOnly;
        }
    }
    OpenArchive(Mode);
}

void TKSBaseArchiver::OpenArchive(uint16_t Mode) {
    if (!FInMemory && !HasFileNamePart(FFileName))
        throw EKSException(KSNE_OpenArchiveModeNoName, this);
    if (Mode != KSOpenModeCreate && !KSFileExists(FFileName) && FSpanningMode != smSpanning &&
        !IsRemovableDrive(FFileName))
        throw EKSException(KSNE_OpenArchiveNotFound, {FFileName}, this);
    if (Mode != KSOpenModeCreate && FInMemory)
        throw EKSException(KSNE_OpenArchiveInMemory, {FFileName}, this);
    CloseArchive();
    // What extraction derived from the previous directory does not hold for the next one.
    ResetExtractState();
    IsCustomStream = false;
    FileOpenMode = Mode;
    try {
        InternalOpenArchive();
    } catch (...) {
        // A failed open leaves the component closed and holds no file open.
        FActive = false;
        ReleaseStreamAndDir();
        throw;
    }
}

void TKSBaseArchiver::InternalOpenArchive() {
    if (FileOpenMode == KSOpenModeCreate || FInMemory) {
        InternalCreateArchive();
    } else {
        FSpanningMode = smNone; // detection decides it from here on
        FVolumeNumberInfo->Init();
        if (IsSFXArchive(FFileName))
            InternalOpenSFXArchive();
        else
            InternalOpenNonSFXArchive();
        if (!DMHandle->HasCentralDirEnd() && !FOpenCorruptedArchives) {
            ReleaseStreamAndDir();
            throw EKSException(KSNE_InternalOpenArchive, this);
        }
        DMHandle->LoadDir();
    }
    FActive = true;
    DoAfterOpen();
}

void TKSBaseArchiver::InternalCreateArchive() {
    TKSVolumeNumberInfo Volume;
    if (FInMemory) {
        FCompressedStream = new TMemoryStream();
    } else {
        Volume.SetFirstVolume(true);
        // A stub that cannot fit the first volume fails before the volume is asked for or
        // created, so no empty volume file is left behind and an existing file of that name is
        // not truncated.
        if (FSpanningMode != smNone && !FSFXStub.empty()) {
            const int64_t Limit = FSpanningOptions->GetVolumeSize(Volume);
            if (Limit > 0 && TKSFileStream(FSFXStub, fmOpenRead | fmShareDenyNone).Size() > Limit)
                throw EKSException(KSNE_SaveSFXStub, this);
        }
        OpenVolume(Volume);
    }
    DMHandle = new TKSDirManager(FCompressedStream, this, true);
}

void TKSBaseArchiver::InternalOpenNonSFXArchive() {
    TOpenCorruptedGuard Guard(*this);
    FOpenCorruptedArchives = false; // so that HasCentralDirEnd tells the truth during detection
    TKSVolumeNumberInfo Volume;
    delete DMHandle;
    DMHandle = nullptr;
    bool Found;
    do {
        delete DMHandle;
        DMHandle = nullptr;
        FVolumeNumberInfo->Init();
        Volume.SetLastVolume(true);
        if (!KSFileExists(FFileName) && IsRemovableDrive(FFileName))
            FSpanningMode = smSpanning;
        OpenVolume(Volume);
        DMHandle = new TKSDirManager(FCompressedStream, this, false);
        Found = DMHandle->HasCentralDirEnd();
        DetectSpanning();
    } while (!Found && FSpanningMode != smNone);
}

void TKSBaseArchiver::InternalOpenSFXArchive() {
    TOpenCorruptedGuard Guard(*this);
    TKSVolumeNumberInfo Volume;
    Volume.SetLastVolume(true);
    OpenVolume(Volume);
    delete DMHandle;
    DMHandle = new TKSDirManager(FCompressedStream, this, false);
    FOpenCorruptedArchives = false;
    if (DMHandle->HasCentralDirEnd()) {
        DetectSpanning();
        return;
    }
    // The stub may be the first volume of a split set whose last volume lies beside it.
    delete DMHandle;
    DMHandle = nullptr;
    FSpanningMode = smSplitting;
    TKSString Test = FFileName;
    MakeDefaultVolumeName(Test, -1, false);
    if (KSFileExists(Test)) {
        FVolumeNumberInfo->Init();
        Volume.SetLastVolume(true);
        OpenVolume(Volume);
    }
    FSpanningMode = smNone;
    bool Found;
    do {
        delete DMHandle;
        DMHandle = nullptr;
        FVolumeNumberInfo->Init();
        Volume.SetLastVolume(true);
        OpenVolume(Volume);
        DMHandle = new TKSDirManager(FCompressedStream, this, false);
        Found = DMHandle->HasCentralDirEnd();
        DetectSpanning();
    } while (!Found && FSpanningMode != smNone);
}

void TKSBaseArchiver::ReleaseStreamAndDir() noexcept {
    if (!IsCustomStream)
        delete FCompressedStream;
    FCompressedStream = nullptr;
    delete DMHandle;
    DMHandle = nullptr;
}

void TKSBaseArchiver::CloseArchive() noexcept {
    if (!FActive) {
        ReleaseStreamAndDir();
        return;
    }
    try {
        // A new archive that is still empty (nothing but its SFX stub, if it has one) gets the end
        // record of an empty archive, so that the file it leaves can be opened again.
        if (NeedsEmptyDirectory())
            DMHandle->SaveDir(true, nullptr);
    } catch (...) {
        // Closing never fails: an error while writing the empty directory is dropped.
    }
    FActive = false;
    ReleaseStreamAndDir();
}

bool TKSBaseArchiver::NeedsEmptyDirectory() {
    if (!FCompressedStream || !DMHandle)
        return false;
    const int64_t Size = FCompressedStream->Size();
    return Size == 0 || (DMHandle->FCreate && DMHandle->CDir.Count() == 0 && Size == DMHandle->StubSize);
}

void TKSBaseArchiver::CheckInactive() const {
    if (!FActive)
        throw EKSException(KSNE_CheckInactive, this);
}

void TKSBaseArchiver::SetInMemory(bool Value) {
    if (Value == FInMemory)
        return;
    if (FActive && FInMemory) {
        // To a file: write the archive as closing would leave it, then reopen it from the file.
        if (FFileName.empty())
            throw EKSException(KSNE_SetInMemory, this);
        if (NeedsEmptyDirectory())
            DMHandle->SaveDir(true, nullptr);
        {
            TKSFileStream Out(FFileName, KSOpenModeCreate);
            FCompressedStream->SetPosition(0);
            Out.CopyFrom(*FCompressedStream, 0);
        }
        CloseArchive();
        FInMemory = false;
        OpenArchive();
    } else if (FActive) {
        // To memory: the result is a new, empty in-memory archive; the file is not read.
        CloseArchive();
        FInMemory = true;
        OpenArchive();
    }
    FInMemory = Value;
}

} // namespace ks
