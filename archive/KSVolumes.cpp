// KSVolumes.cpp -- which volume is open: opening a single-file archive's stream, deciding the
// spanning mode from the end record, and the default names of volumes.
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
    // The requested volume is already the current one: nothing to do.
    if (FCompressedStream && FileOpenMode != KSOpenModeCreate &&
        VolumeNumberInfo.IsEqualTo(*FVolumeNumberInfo))
        return;
    // Volume sets (split or spanned) are not read yet: refuse them as an aborted volume request.
    throw EKSException(KSNE_OpenVolume, this);
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
        const TKSString Numbered = Path + Name + u"_" + NNN + SpanExt;
        const TKSString Plain = Path + Name + SpanExt;
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
            AVolumeFileName = Path + Name + u".ZIP";
        return;
    }
    if (VolumeNumber == 0 && SelfExtracting)
        AVolumeFileName = Path + Name + u".exe";
    else if (FSpanningOptions->FAdvancedNaming)
        AVolumeFileName = Path + Name + u"_" + NNN + Ext;
    else
        AVolumeFileName = Path + Name + u".Z" + NN;
}

bool TKSBaseArchiver::IsSFXArchive(const TKSString& ArcFileName) {
    // ".exe" anywhere in the extension counts, so ".EXE" and ".exe1" do too.
    return KSLowerCase(KSExtractFileExt(ArcFileName)).find(u".exe") != TKSString::npos;
}

} // namespace ks
