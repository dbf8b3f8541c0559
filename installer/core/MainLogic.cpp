#include "installer/core/MainLogic.h"

#include <string>
#include <utility>

#include "installer/core/InstallerTexts.h"
#include "installer/core/PathRules.h"
#include "platform/KSException.h"

namespace ks::inst {

TMainLogic::TMainLogic(IMainView& View, IOsServices& Os, IInstallArchive& Archive,
                       std::span<const uint8_t> Payload, TShowUjMappa ShowUjMappa)
    : FView(View), FOs(Os), FArchive(Archive), FPayload(Payload), FShowUjMappa(std::move(ShowUjMappa)) {}

void TMainLogic::FormCreate() {
    FView.SetLabel2Caption(txt::Label2);
    fFileName = "DataPack.res";
    fExeName = "Ferrovan.exe";
    fMainID_FORM = 10018;

    // AppPath must already end with a separator: the test is a plain concatenation.
    const AnsiString AppPath = FOs.ReadAppPath(BaseName(fExeName)).value_or(AnsiString());
    if (!AppPath.empty() && FOs.DirectoryExists(AppPath) && FOs.FileExists(AppPath + fExeName)) {
        FView.SetUpdatePanelVisible(true);
        FView.SetPathCaption(AppPath);
        return;
    }

    FView.SetUpdatePanelVisible(false);
    AnsiString Docs = FOs.DocumentsFolder().value_or(AnsiString());
    if (Docs.empty())
        Docs = AnsiString(1, PathDelim);
    const AnsiString Root = FOs.MountPointOf(Docs);
    FView.SetDrive(Root);
    FView.SetDirDrive(FView.Drive());
    // The folder that holds the documents folder; a documents folder that is itself the root of
    // a file system is shown as that root.
    if (IncludeTrailingDelim(Docs) == IncludeTrailingDelim(Root))
        FView.SetDirDirectory(IncludeTrailingDelim(Docs));
    else
        FView.SetDirDirectory(ExtractDirPart(Docs));
}

void TMainLogic::btnUjMappaClick() {
    const AnsiString New = FShowUjMappa ? FShowUjMappa(FView.DirDirectory()) : AnsiString();
    if (!New.empty()) {
        FView.DirUpdate();
        FView.SetDirDirectory(New);
    }
}

void TMainLogic::btnExitClick() {
    FView.CloseWindow();
}

void TMainLogic::btnRunClick() {
    FView.SetWindowEnabled(false);
    try {
        RunSteps();
    } catch (...) {
        // The error is reported by the caller; the window must still offer a way out.
        FView.SetExitEnabled(true);
        FView.SetWindowEnabled(true);
        throw;
    }
    FView.SetWindowEnabled(true);
}

void TMainLogic::RunSteps() {
    FView.SetWaitVisible(true);
    FView.SetRunEnabled(false);
    FView.SetExitEnabled(false);
    FView.SetUjMappaEnabled(false);
    FView.ProcessMessages();
    aErrorExe = false;
    aErrorEtc = false;

    if (FView.UpdatePanelVisible()) {
        aPath = FView.PathCaption();
    } else {
        aPath = CollapseSeparators(FView.DirDirectory() + PathDelim + BaseName(fExeName) + PathDelim);
        FOs.ForceDirectories(aPath);
    }

    if (FPayload.empty())
        throw Exception("The installation data is missing from the installer.");
    FOs.WriteNewFile(aPath + fFileName, FPayload);

    if (!FOs.FileExists(aPath + fFileName)) {
        FView.ShowMessage(AnsiString(txt::CannotCreateFile) + aPath + fFileName + ")");
        FView.SetExitEnabled(true);
        return;
    }

    // A data archive left behind by an interrupted run would block the rename and be installed
    // in place of this installer's own payload.
    const AnsiString ZipName = ChangeFileExt(fFileName, ".zip");
    if (FOs.FileExists(aPath + ZipName))
        FOs.DeleteFile(aPath + ZipName);
    FOs.MoveFile(aPath + fFileName, aPath + ZipName);
    fFileName = ZipName;

    FArchive.SetObserver(this);
    ExtractToDir(fFileName, false);

    FOs.DeleteFile(aPath + fFileName);
    FOs.DeleteFile(aPath + ChangeFileExt(fFileName, ".res"));

    TargetName = aPath + ChangeFileExt(fExeName, ".exe");

    if (FView.ShortcutChecked()) {
        LinkName =
            CollapseSeparators(FOs.DesktopFolder() + PathDelim + ChangeFileExt(fExeName, FOs.ShortcutExt()));
        FOs.CreateShortcut(TargetName, ExtractDirPart(TargetName), LinkName);
    }

    for (const char* Nested : {"Kezikonyv_elemei.zip", "Dokumentumok.zip", "Adatlap.zip", "PyLib.zip"})
        ExtractToDir(Nested, true);

    if (FOs.DirectoryExists(aPath + "PyLib"))
        FOs.SetFileAttributes(aPath + "PyLib", HiddenSystemAttr);

    FOs.ForceDirectories(aPath + "Torzs");
    FOs.CopyFile(aPath + "Torzs.zip",
                 aPath + "Torzs" + PathDelim + "Torzs" + std::to_string(fMainID_FORM) + ".pck");
    FOs.DeleteFile(aPath + "Torzs.zip");

    const AnsiString Font = aPath + FontFileName;
    if (FOs.FileExists(Font)) {
        if (FOs.AddFontResource(Font) == 1)
            FOs.BroadcastFontChange();
        else
            FView.ShowMessage(txt::FontFailed);
    }

    FArchive.SetObserver(nullptr);
    FView.SetWaitVisible(false);
    FView.ProcessMessages();
    if (aErrorExe)
        FView.ShowMessage(txt::AppRunning);
    else if (aErrorEtc)
        FView.ShowMessage(txt::NotAllFiles);
    else
        FView.ShowMessage(txt::Success);

    FOs.Launch(TargetName, "FIRST_RUN", aPath);
    FView.CloseWindow();
}

void TMainLogic::ExtractToDir(const AnsiString& aZipFileName, bool aToFolder) {
    if (!FOs.FileExists(aPath + aZipFileName))
        return;
    AnsiString BaseDir = aPath;
    if (aToFolder) {
        const AnsiString Sub = aPath + BaseName(aZipFileName);
        FOs.ForceDirectories(Sub);
        // The archive moves into its sub-folder: renamed where it can be (no second copy of a
        // large archive), else copied over whatever is there. Without it there the archive's
        // items cannot be installed, and the final message must say so.
        const AnsiString Dest = Sub + PathDelim + aZipFileName;
        if (!FOs.MoveFile(aPath + aZipFileName, Dest) && !FOs.CopyFile(aPath + aZipFileName, Dest))
            aErrorEtc = true;
        FOs.DeleteFile(aPath + aZipFileName);
        BaseDir = Sub + PathDelim;
    }
    FArchive.SetBaseDir(BaseDir);
    FArchive.SetFileName(BaseDir + aZipFileName);
    FArchive.SetOverwriteAlways();

    try {
        FArchive.OpenArchive();
        TInstallItem Item;
        if (FArchive.FindFirst("*.*", Item, RunSearchAttr)) {
            do {
                // The stored path with recursion off matches exactly this item, so same-named
                // items in other folders are not extracted again.
                const AnsiString Stored = Item.StoredPath + Item.FileName;
                try {
                    FArchive.SetRecurse(false);
                    FArchive.ExtractFiles(Stored, RunExtractAttr);
                } catch (...) {
                    ClassifyFailure(Stored);
                }
                FArchive.SetRecurse(true);
            } while (FArchive.FindNext(Item));
        }
        FView.ProcessMessages();
        FArchive.CloseArchive();
    } catch (...) {
        FArchive.SetRecurse(true);
        FArchive.CloseArchive(); // releases the file so that it can be deleted below
        FView.ShowMessage(AnsiString(txt::ZipError) + aZipFileName);
    }
    FOs.DeleteFile(FArchive.FileName());
}

void TMainLogic::ClassifyFailure(const AnsiString& ItemName) {
    const AnsiString N = AsciiUpper(ExtractFileName(ItemName));
    if (N == AsciiUpper(fExeName))
        aErrorExe = true;
    else if (N == AsciiUpper(FontFileName))
        return;
    else
        aErrorEtc = true;
}

} // namespace ks::inst
