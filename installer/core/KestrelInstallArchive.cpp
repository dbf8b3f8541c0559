#include "installer/core/KestrelInstallArchive.h"

#include "archive/KSConst.h"
#include "archive/KSDirArray.h"
#include "archive/KSDirManager.h"
#include "archive/KSPrompts.h"
#include "archive/Kestrel.h"
#include "installer/core/PathRules.h"
#include "platform/KSStrings.h"

namespace ks::inst {

namespace {
TKSString W(const AnsiString& S) {
    return Utf8ToWide(S);
}
AnsiString U(const TKSString& S) {
    return WideToUtf8(S);
}
// Names handed outward by the component use '\'; the run uses the native separator.
AnsiString Native(const TKSString& S) {
    AnsiString Out = U(S);
    for (char& C : Out)
        if (C == '\\' || C == '/')
            C = PathDelim;
    return Out;
}
} // namespace

TKestrelInstallArchive::TKestrelInstallArchive(TKestrel& Kestrel) : FKestrel(Kestrel) {
    FKestrel.FOnProcessFileFailure = [this](TComponent*, const TKSString& FileName, TKSProcessOperation,
                                            int32_t NativeError, int32_t, const TKSString& ErrorMessage,
                                            TKSAction& Action) {
        if (NativeError == KSNE_OpenVolume) {
            Action = fxaAbort; // the archive itself is gone: no question to ask
        } else {
            const TKSPromptButton B = KSGetPrompts().ConfirmBox(
                TKSPromptKind::FileFailure, KSFormatPrompt(KSPromptFileFailure, U(ErrorMessage)),
                KSButtonsAbortRetryIgnore);
            Action = B == pbRetry ? fxaRetry : B == pbIgnore ? fxaIgnore : fxaAbort;
        }
        if (Action != fxaRetry && FObserver)
            FObserver->ItemFailed(Native(FileName));
    };
    // The dialog gives text: its ANSI form is tried first and its UTF-8 form once more before the
    // question is asked again, as the command-line tool does; a cancelled dialog skips the item.
    FKestrel.FOnPassword = [this](TComponent*, const TKSString& FileName, AnsiString& NewPassword,
                                  bool& SkipFile) {
        FPasswordRetry.OnPassword(FileName, NewPassword, SkipFile);
        if (SkipFile && FObserver)
            FObserver->ItemsNotInstalled();
    };
    FKestrel.FOnDiskFull = [this](TComponent*, int32_t, const TKSString&, bool& Cancel) {
        // The installer's archives are single files: the batch ends, as without a handler.
        Cancel = true;
        if (FObserver)
            FObserver->ItemsNotInstalled();
    };
}

TKestrelInstallArchive::~TKestrelInstallArchive() {
    FKestrel.FOnProcessFileFailure = nullptr;
    FKestrel.FOnPassword = nullptr;
    FKestrel.FOnDiskFull = nullptr;
}

void TKestrelInstallArchive::SetBaseDir(const AnsiString& Dir) {
    FKestrel.SetBaseDir(W(Dir));
}
void TKestrelInstallArchive::SetFileName(const AnsiString& Name) {
    FKestrel.SetFileName(W(Name));
}
AnsiString TKestrelInstallArchive::FileName() const {
    return U(FKestrel.FileName());
}
void TKestrelInstallArchive::SetOverwriteAlways() {
    FKestrel.Options()->SetOverwriteMode(omAlways);
}
void TKestrelInstallArchive::SetRecurse(bool Recurse) {
    FKestrel.Options()->SetRecurse(Recurse);
}
void TKestrelInstallArchive::OpenArchive() {
    FHaveItem = false;
    FKestrel.OpenArchive();
}

void TKestrelInstallArchive::Fill(TInstallItem& Item) const {
    Item.FileName = U(FSearch.FileName);
    Item.StoredPath = Native(FSearch.StoredPath);
}

bool TKestrelInstallArchive::FindFirst(const AnsiString& Mask, TInstallItem& Item, int32_t SearchAttr) {
    FSearch = TKSArchiveItem();
    FHaveItem = FKestrel.FindFirst(W(Mask), FSearch, SearchAttr, TKSString());
    if (!FHaveItem)
        return false;
    Fill(Item);
    return true;
}

bool TKestrelInstallArchive::FindNext(TInstallItem& Item) {
    FHaveItem = FKestrel.FindNext(FSearch);
    if (!FHaveItem)
        return false;
    Fill(Item);
    return true;
}

void TKestrelInstallArchive::ExtractFiles(const AnsiString& Mask, int32_t SearchAttr) {
    // The run names the item the search just found by its stored path, with recursion off: that
    // mask matches exactly that item. Tagging it directly gives the same extraction and events
    // without scanning the whole directory once per item.
    const bool FoundItem =
        FHaveItem && !FKestrel.Options()->Recurse() && FKestrel.DMHandle &&
        Mask == Native(FSearch.StoredPath) + U(FSearch.FileName) &&
        CheckAttributesMatch(static_cast<int32_t>(FSearch.ExternalFileAttributes), SearchAttr) &&
        FSearch.Handle.ItemNo >= 0 && FSearch.Handle.ItemNo < FKestrel.DMHandle->CDir.Count();
    if (!FoundItem) {
        FKestrel.ExtractFiles(W(Mask), SearchAttr, TKSString());
        return;
    }
    FKestrel.CheckInactive();
    FKestrel.DMHandle->CDir.ClearTags();
    FKestrel.DMHandle->CDir.GetItemPtr(FSearch.Handle.ItemNo)->Tagged = true;
    FKestrel.ProcessTaggedFiles(poExtract);
}

void TKestrelInstallArchive::CloseArchive() {
    FHaveItem = false;
    FKestrel.CloseArchive();
}

} // namespace ks::inst
