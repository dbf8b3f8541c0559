// KSEventsRaise.cpp -- the DoOn... raisers: pass the arguments to an assigned handler and take
// back its answers, or apply the built-in default, which for questions asks the user through the
// current prompt implementation (KSPrompts.h).
//
// Inside the raisers volume numbers count from 0; handlers and prompts see them plus one.
#include <algorithm>

#include "archive/KSBaseArchiver.h"
#include "archive/KSConst.h"
#include "archive/KSExcept.h"
#include "archive/KSPrompts.h"
#include "archive/KSVolumeNumberInfo.h"
#include "platform/KSFiles.h"

namespace ks {

namespace {

TKSString SlashesToBackslashes(TKSString S) {
    std::replace(S.begin(), S.end(), u'/', u'\\');
    return S;
}

bool AskOK(TKSPromptKind Kind, const AnsiString& Text) {
    return KSGetPrompts().ConfirmBox(Kind, Text, KSButtonsOKCancel) == pbOK;
}

} // namespace

void TKSBaseArchiver::DoOnOverallProgress(double Progress, TKSProcessOperation Operation,
                                          TKSProgressPhase ProgressPhase, bool& Cancel) {
    if (FOnOverallProgress)
        FOnOverallProgress(this, Progress, Operation, ProgressPhase, Cancel);
    else
        Cancel = false;
}

void TKSBaseArchiver::DoOnFileProgress(const TKSString& FileName, double Progress,
                                       TKSProcessOperation Operation, TKSProgressPhase ProgressPhase,
                                       bool& Cancel) {
    if (FOnFileProgress)
        FOnFileProgress(this, SlashesToBackslashes(FileName), Progress, Operation, ProgressPhase, Cancel);
    else
        Cancel = false;
}

void TKSBaseArchiver::DoOnCopyTempFileProgress(double Progress, TKSProgressPhase ProgressPhase,
                                               bool& Cancel) {
    Cancel = false;
    if (FOnCopyTempFileProgress)
        FOnCopyTempFileProgress(this, Progress, ProgressPhase, Cancel);
}

void TKSBaseArchiver::DoOnConfirmOverwrite(const TKSString& SourceFileName, TKSString& DestFileName,
                                           bool& Confirm) {
    if (FOnConfirmOverwrite) {
        FOnConfirmOverwrite(this, SourceFileName, DestFileName, Confirm);
        return;
    }
    AnsiString text = KSFormatPrompt(KSPromptOverwrite, KSWideToUtf8(DestFileName));
    text = KSFormatPrompt(text, KSWideToUtf8(SourceFileName));
    Confirm = false;
    switch (KSGetPrompts().ConfirmBox(TKSPromptKind::ConfirmOverwrite, text, KSButtonsOverwrite)) {
    case pbYes:
        Confirm = true;
        break;
    case pbNoToAll:
        Confirm = false;
        FOptions->SetOverwriteMode(omNever);
        break;
    case pbYesToAll:
        Confirm = true;
        FOptions->SetOverwriteMode(omAlways);
        break;
    default: // No, or the box was closed
        Confirm = false;
        break;
    }
}

void TKSBaseArchiver::DoOnConfirmProcessFile(const TKSString& FileName, TKSProcessOperation Operation,
                                             bool& Confirm) {
    Confirm = true;
    if (FOnConfirmProcessFile)
        FOnConfirmProcessFile(this, FileName, Operation, Confirm);
}

void TKSBaseArchiver::DoOnPassword(const TKSString& FileName, AnsiString& NewPassword, bool& SkipFile) {
    if (FOnPassword) {
        FOnPassword(this, FileName, NewPassword, SkipFile);
        return;
    }
    const AnsiString caption = KSFormatPrompt(KSPromptPasswordCaption, KSWideToUtf8(FileName));
    AnsiString value;
    const bool ok = KSGetPrompts().PasswordInputQuery(caption, KSPromptPasswordPrompt, value);
    SkipFile = !ok;
    if (ok)
        NewPassword = value;
}

void TKSBaseArchiver::DoOnProcessFileFailure(const TKSString& FileName, TKSProcessOperation Operation,
                                             int32_t NativeError, int32_t ErrorCode,
                                             const TKSString& ErrorMessage, TKSAction& Action) {
    Action = fxaIgnore;
    if (FOnProcessFileFailure) {
        FOnProcessFileFailure(this, FileName, Operation, NativeError, ErrorCode, ErrorMessage, Action);
        return;
    }
    // The archive could not be opened or opening was aborted: asking would not help.
    if (NativeError == KSNE_OpenVolume) {
        Action = fxaAbort;
        return;
    }
    const AnsiString text = KSFormatPrompt(KSPromptFileFailure, KSWideToUtf8(ErrorMessage));
    switch (KSGetPrompts().ConfirmBox(TKSPromptKind::FileFailure, text, KSButtonsAbortRetryIgnore)) {
    case pbRetry:
        Action = fxaRetry;
        break;
    case pbIgnore:
        Action = fxaIgnore;
        break;
    default: // Abort, or the box was closed
        Action = fxaAbort;
        break;
    }
}

void TKSBaseArchiver::DoOnRequestBlankVolume(int32_t VolumeNumber, TKSString& AVolumeFileName, bool& Cancel) {
    VolumeNumber = std::max(VolumeNumber, 0);
    MakeDefaultVolumeName(AVolumeFileName, VolumeNumber, false);
    Cancel = false;
    if (FOnRequestBlankVolume) {
        FOnRequestBlankVolume(this, VolumeNumber + 1, AVolumeFileName, Cancel);
        return;
    }
    if (FSpanningMode == smSpanning)
        Cancel = !AskOK(TKSPromptKind::VolumeRequest, KSFormatPrompt(KSPromptBlankDisk, VolumeNumber + 1));
    else
        Cancel = false;
}

void TKSBaseArchiver::DoOnRequestFirstVolume(TKSString& AVolumeFileName, bool& Cancel) {
    const TKSString old = AVolumeFileName;
    const bool handler = static_cast<bool>(FOnRequestFirstVolume);
    MakeDefaultVolumeName(AVolumeFileName, 0, !handler);
    Cancel = false;
    if (handler) {
        FOnRequestFirstVolume(this, AVolumeFileName, Cancel);
        return;
    }
    if (FSpanningMode == smSpanning) {
        Cancel = !AskOK(TKSPromptKind::VolumeRequest, KSPromptFirstDisk);
        AVolumeFileName = old;
        MakeDefaultVolumeName(AVolumeFileName, 0, true);
    } else {
        Cancel = !KSFileExists(AVolumeFileName) && FileOpenMode != KSOpenModeCreate;
    }
}

void TKSBaseArchiver::DoOnRequestLastVolume(TKSString& AVolumeFileName, bool& Cancel) {
    MakeDefaultVolumeName(AVolumeFileName, -1, true);
    Cancel = false;
    if (FOnRequestLastVolume) {
        FOnRequestLastVolume(this, AVolumeFileName, Cancel);
        return;
    }
    if (FSpanningMode == smSpanning) {
        bool wrongDisk = false;
        do {
            const AnsiString text = wrongDisk
                                        ? KSFormatPrompt(KSPromptFileNotOnDisk, KSWideToUtf8(AVolumeFileName))
                                        : AnsiString(KSPromptLastDisk);
            Cancel = !AskOK(TKSPromptKind::VolumeRequest, text);
            wrongDisk = !KSFileExists(AVolumeFileName);
        } while (!Cancel && wrongDisk);
    } else {
        Cancel = !KSFileExists(AVolumeFileName);
    }
}

void TKSBaseArchiver::DoOnRequestMiddleVolume(int32_t VolumeNumber, TKSString& AVolumeFileName,
                                              bool& Cancel) {
    const TKSString old = AVolumeFileName;
    const bool handler = static_cast<bool>(FOnRequestMiddleVolume);
    MakeDefaultVolumeName(AVolumeFileName, VolumeNumber, !handler);
    Cancel = false;
    if (handler) {
        FOnRequestMiddleVolume(this, VolumeNumber + 1, AVolumeFileName, Cancel);
        return;
    }
    if (FSpanningMode == smSpanning)
        Cancel = !AskOK(TKSPromptKind::VolumeRequest, KSFormatPrompt(KSPromptDisk, VolumeNumber + 1));
    else
        Cancel = !KSFileExists(AVolumeFileName);
    AVolumeFileName = old;
    MakeDefaultVolumeName(AVolumeFileName, VolumeNumber, true);
}

void TKSBaseArchiver::DoOnDiskFull(int32_t VolumeNumber, const TKSString& AVolumeFileName, bool& Cancel) {
    Cancel = false;
    if (FOnDiskFull) {
        FOnDiskFull(this, VolumeNumber + 1, AVolumeFileName, Cancel);
        return;
    }
    if (FSpanningMode == smSpanning) {
        TKSVolumeNumberInfo volume;
        volume.SetVolumeNumber(VolumeNumber);
        const int64_t required = FSpanningOptions->GetVolumeSize(volume);
        const int64_t available = KSGetFreeSpace(AVolumeFileName);
        AnsiString text = KSFormatPrompt(KSPromptDiskFull, required);
        text = KSFormatPrompt(text, available);
        Cancel = !AskOK(TKSPromptKind::DiskFull, text);
    } else {
        Cancel = true;
    }
}

void TKSBaseArchiver::DoOnProcessVolumeFailure(TKSProcessOperation Operation, int32_t VolumeNumber,
                                               const TKSString& AVolumeFileName, bool& Cancel) {
    // No property exposes this handler; it stays empty and Cancel keeps the caller's value.
    if (FOnProcessVolumeFailure)
        FOnProcessVolumeFailure(this, Operation, VolumeNumber, AVolumeFileName, Cancel);
}

void TKSBaseArchiver::DoOnStoreFile(TKSString& FileName, uint32_t& FileAttr, AnsiString& Comment,
                                    const TKSString& OriginalFileName) {
    if (FOnStoreFile)
        FOnStoreFile(this, FileName, FileAttr, Comment, OriginalFileName);
}

void TKSBaseArchiver::DoOnExtractFile(TKSString& FileName, uint32_t& FileAttr, const AnsiString& Comment) {
    FileName = SlashesToBackslashes(FileName);
    if (FOnExtractFile)
        FOnExtractFile(this, FileName, FileAttr, Comment);
}

} // namespace ks
