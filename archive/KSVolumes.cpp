// KSVolumes.cpp -- which volume is open: opening a single file, asking for and opening the
// volumes of a split or spanned set (reading) or a blank volume (creating), deciding the spanning
// mode from the end record, and the default names of volumes.
#include <algorithm>
#include <cstdio>

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

void CopyVolume(const TKSVolumeNumberInfo& From, TKSVolumeNumberInfo& To) {
    To.FVolumeKind = From.FVolumeKind;
    To.FVolumeNumber = From.FVolumeNumber;
    To.FLastVolumeNumber = From.FLastVolumeNumber;
}

bool IsBlank(const TKSString& S) {
    for (TKSChar C : S)
        if (C > u' ')
            return false;
    return true;
}

// N zero-filled to at least Digits digits.
TKSString ZeroFilled(int N, int Digits) {
    char Buf[32];
    const int Len = std::snprintf(Buf, sizeof(Buf), "%.*d", Digits, N);
    return TKSString(Buf, Buf + (Len > 0 ? Len : 0));
}

// A volume name as it exists on disk: writers differ in letter case (x.z01 against x.Z01), so a
// name that differs only in case stands in for an absent exact one. Unchanged when neither exists.
TKSString ExistingSpelling(const TKSString& VolumeName) {
    TKSString Found = KSFindVolumeFile(VolumeName);
    return Found.empty() ? VolumeName : Found;
}

} // namespace

void TKSBaseArchiver::OpenVolume(TKSVolumeNumberInfo& VolumeNumberInfo) {
    if (FSpanningMode == smNone) {
        if (!FCompressedStream) {
            FCompressedStream = new TKSFileStream(FFileName, FileOpenMode);
            VolumeFileName = FFileName;
        }
        CopyVolume(VolumeNumberInfo, *FVolumeNumberInfo);
        return;
    }
    if (FileOpenMode == KSOpenModeCreate) {
        CreateVolume(VolumeNumberInfo);
        return;
    }
    // The requested volume is already the current one: nothing to do.
    if (FCompressedStream && VolumeNumberInfo.IsEqualTo(*FVolumeNumberInfo))
        return;
    // A disk the user is asked to take out is not held open meanwhile.
    if (FSpanningMode == smSpanning)
        ReleaseVolumeStream();
    bool Aborted = true;
    for (;;) {
        TKSString Name = FFileName;
        Aborted = true;
        if (VolumeNumberInfo.LastVolume())
            DoOnRequestLastVolume(Name, Aborted);
        else if (VolumeNumberInfo.FirstVolume())
            DoOnRequestFirstVolume(Name, Aborted);
        else
            DoOnRequestMiddleVolume(VolumeNumberInfo.VolumeNumber(), Name, Aborted);
        if (Aborted)
            break;
        // A handler that names no file ends the attempt: nothing is opened, nothing is raised.
        if (FSpanningMode == smSplitting && Name.empty())
            return;
        if (const TKSString Found = KSFindVolumeFile(Name); !Found.empty()) {
            ReopenFileStream(Found);
            CopyVolume(VolumeNumberInfo, *FVolumeNumberInfo);
            return;
        }
    }
    throw EKSException(KSNE_OpenVolume, this);
}

void TKSBaseArchiver::CreateVolume(TKSVolumeNumberInfo& VolumeNumberInfo) {
    ReleaseVolumeStream();
    const int64_t Requested = FSpanningOptions->GetVolumeSize(VolumeNumberInfo);
    const int32_t Number = std::max(VolumeNumberInfo.VolumeNumber(), 0);
    TKSString Name;
    bool Aborted = false;
    bool Accepted = false;
    do {
        Name = FFileName;
        Aborted = false;
        DoOnRequestBlankVolume(Number, Name, Aborted);
        if (Aborted)
            break;
        const int64_t Free = GetFreeDriveSpace(Name);
        Accepted =
            Free > MinVolumeSize && (Requested <= 0 || FSpanningMode == smSplitting || Free >= Requested);
        if (!Accepted)
            DoOnDiskFull(Number, Name, Aborted);
    } while (!Accepted && !Aborted);
    if (!Accepted)
        throw EKSException(KSNE_OpenVolume, this);
    ReopenFileStream(Name);
    CopyVolume(VolumeNumberInfo, *FVolumeNumberInfo);
    if (FSpanningMode == smSpanning) {
        // Where labels cannot be set (POSIX, a read-only drive) the disk simply stays unlabelled.
        (void)KSSetVolumeLabel(Name, u"pkback# " + ZeroFilled(Number + 1, 3));
    }
}

void TKSBaseArchiver::ReleaseVolumeStream() noexcept {
    if (!IsCustomStream)
        delete FCompressedStream;
    FCompressedStream = nullptr;
}

void TKSBaseArchiver::ReopenFileStream(const TKSString& NewFileName) {
    ReopenFileStream(NewFileName, FileOpenMode);
}

void TKSBaseArchiver::ReopenFileStream(const TKSString& NewFileName, uint16_t Mode) {
    ReleaseVolumeStream();
    FCompressedStream = new TKSFileStream(NewFileName, Mode);
    IsCustomStream = false;
    VolumeFileName = NewFileName;
}

int64_t TKSBaseArchiver::GetFreeDriveSpace(const TKSString& AVolumeFileName) {
    // POSIX names have no drive part: the file system that holds the name (or its nearest
    // existing folder) answers.
    const TKSString Drive = KSExtractFileDrive(AVolumeFileName);
    return KSGetFreeSpace(Drive.empty() ? AVolumeFileName : Drive + u"\\");
}

void TKSBaseArchiver::DetectSpanning() {
    const TKSZipCentralDirEnd& End = DMHandle->CentralDirEnd;
    if (End.signature == 0) {
        // No end record was read at all.
        FSpanningMode = IsRemovableDrive(FFileName) ? smSpanning : smNone;
        return;
    }
    const int32_t Disk = End.diskNumber;
    if (Disk == 0) {
        FSpanningMode = smNone;
        return;
    }
    FSpanningMode = smSplitting;
    TKSString Test = FFileName;
    MakeDefaultVolumeName(Test, Disk - 1, false);
    if (KSFileExists(Test))
        return;
    // The volumes may follow the other naming scheme; keep it when they do.
    FSpanningOptions->FAdvancedNaming = !FSpanningOptions->FAdvancedNaming;
    Test = FFileName;
    MakeDefaultVolumeName(Test, Disk - 1, false);
    if (KSFileExists(Test))
        return;
    FSpanningOptions->FAdvancedNaming = !FSpanningOptions->FAdvancedNaming;
    if (KSLowerCase(FFileName).find(u".exe") != TKSString::npos)
        FSpanningMode = smNone;
    else
        FSpanningMode = (Disk > 0 || IsRemovableDrive(FFileName)) ? smSpanning : smNone;
}

void TKSBaseArchiver::MakeDefaultVolumeName(TKSString& AVolumeFileName, int32_t VolumeNumber,
                                            bool CheckIfFileExists) {
    if (FSpanningMode == smNone)
        return;
    const TKSString Path = KSExtractFilePath(AVolumeFileName);
    const TKSString Ext = KSExtractFileExt(AVolumeFileName);
    TKSString Name = KSExtractFileName(AVolumeFileName);
    Name.resize(Name.size() - Ext.size());
    const bool SelfExtracting =
        (DMHandle && DMHandle->StubSize != 0) || !IsBlank(FSFXStub) || IsSFXArchive(AVolumeFileName);
    const int N = VolumeNumber + 1;
    const TKSString NNN = ZeroFilled(N, 3);
    const TKSString NN = ZeroFilled(N, 2);

    if (FSpanningMode == smSpanning) {
        if (VolumeNumber < 0)
            return;
        const TKSString SpanExt = SelfExtracting ? TKSString(u".exe") : Ext;
        const TKSString Numbered = ExistingSpelling(Path + Name + u"_" + NNN + SpanExt);
        const TKSString Plain = ExistingSpelling(Path + Name + SpanExt);
        const bool Advanced = FSpanningOptions->FAdvancedNaming;
        TKSString Result = Advanced ? Numbered : Plain;
        if (CheckIfFileExists && !KSFileExists(Result)) {
            const TKSString& Other = Advanced ? Plain : Numbered;
            if (KSFileExists(Other))
                Result = Other;
        }
        AVolumeFileName = Result;
        return;
    }
    // smSplitting
    if (VolumeNumber < 0) {
        if (SelfExtracting)
            AVolumeFileName = ExistingSpelling(Path + Name + u".ZIP");
        return;
    }
    if (VolumeNumber == 0 && SelfExtracting)
        AVolumeFileName = ExistingSpelling(Path + Name + u".exe");
    else if (FSpanningOptions->FAdvancedNaming)
        AVolumeFileName = ExistingSpelling(Path + Name + u"_" + NNN + Ext);
    else
        AVolumeFileName = ExistingSpelling(Path + Name + u".Z" + NN);
}

bool TKSBaseArchiver::IsSFXArchive(const TKSString& ArcFileName) {
    // ".exe" anywhere in the extension counts, so ".EXE" and ".exe1" do too.
    return KSLowerCase(KSExtractFileExt(ArcFileName)).find(u".exe") != TKSString::npos;
}

} // namespace ks
