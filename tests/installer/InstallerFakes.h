// InstallerFakes.h -- an in-memory file system, a recording window and a scripted archive for
// testing the installer's decisions without a display, a disk or the archive engine.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "installer/core/InstallArchive.h"
#include "installer/core/MainView.h"
#include "installer/core/OsServices.h"
#include "installer/core/PathRules.h"
#include "platform/KSException.h"

namespace ks::inst::test {

// A path written with "/" in the tests, with the separator the installer's path rules use on this
// platform ("\\" on Windows), so that one set of expectations holds on both.
inline AnsiString Native(AnsiString P) {
    for (char& C : P)
        if (C == '/')
            C = PathDelim;
    return P;
}

inline std::string Lower(std::string S) {
    for (char& C : S)
        if (C >= 'A' && C <= 'Z')
            C = static_cast<char>(C - 'A' + 'a');
    return S;
}

class FakeOs : public IOsServices {
public:
    std::optional<AnsiString> AppPath;
    std::optional<AnsiString> Docs = Native("/home/u/Documents");
    std::vector<AnsiString> Mounts = {Native("/")};
    std::set<AnsiString> Dirs = {Native("/")};
    std::map<AnsiString, std::string> Files;
    std::map<AnsiString, uint32_t> Attrs;
    std::set<AnsiString> FailCreate; // ForceDirectories fails for these
    std::set<AnsiString> FailCopyTo; // CopyFile and MoveFile fail for these destinations
    bool FailWrite = false;          // WriteNewFile throws
    bool WriteVanishes = false;      // WriteNewFile succeeds but leaves no file
    int FontFaces = 1;
    std::vector<AnsiString> Calls;   // a log of the observable side effects
    std::vector<AnsiString> Created; // paths given to ForceDirectories

    static AnsiString Strip(const AnsiString& P) {
        return P.size() > 1 && P.back() == PathDelim ? P.substr(0, P.size() - 1) : P;
    }
    std::optional<AnsiString> ReadAppPath(const AnsiString& Key) override {
        Calls.push_back("ReadAppPath " + Key);
        return AppPath;
    }
    std::optional<AnsiString> DocumentsFolder() override { return Docs; }
    AnsiString DesktopFolder() override { return Native("/home/u/Desktop"); }
    AnsiString MountPointOf(const AnsiString& Path) override {
        AnsiString Best = Native("/");
        for (const auto& M : Mounts)
            if ((Path == M || Path.rfind(IncludeTrailingDelim(M), 0) == 0) && M.size() > Best.size())
                Best = M;
        return Best;
    }
    bool FileExists(const AnsiString& P) override { return Files.count(P) != 0; }
    bool DirectoryExists(const AnsiString& P) override { return Dirs.count(Strip(P)) != 0; }
    bool ForceDirectories(const AnsiString& P) override {
        Created.push_back(P);
        if (FailCreate.count(Strip(P)))
            return false;
        MakeDirs(P);
        return true;
    }
    // The folders the archive creates while it extracts (not the run's own ForceDirectories).
    void MakeDirs(const AnsiString& P) {
        for (size_t i = 1; i <= P.size(); ++i)
            if (i == P.size() || P[i] == PathDelim)
                Dirs.insert(Strip(P.substr(0, i)));
    }
    void WriteNewFile(const AnsiString& P, std::span<const uint8_t> Data) override {
        if (FailWrite)
            throw EFCreateError("Cannot create file \"" + P + "\"");
        if (!WriteVanishes)
            Files[P] = std::string(Data.begin(), Data.end());
    }
    bool MoveFile(const AnsiString& From, const AnsiString& To) override {
        if (!Files.count(From) || Files.count(To) || FailCopyTo.count(To))
            return false; // like the platform rename: an existing target blocks it
        Files[To] = Files[From];
        Files.erase(From);
        return true;
    }
    bool DeleteFile(const AnsiString& P) override { return Files.erase(P) != 0; }
    bool CopyFile(const AnsiString& From, const AnsiString& To) override {
        if (!Files.count(From) || FailCopyTo.count(To) || !Dirs.count(Strip(ExtractDirPart(To))))
            return false;
        Files[To] = Files[From];
        return true;
    }
    bool SetFileAttributes(const AnsiString& P, uint32_t A) override {
        Attrs[P] = A;
        return true;
    }
    bool CreateShortcut(const AnsiString& T, const AnsiString& W, const AnsiString& L) override {
        Calls.push_back("Shortcut " + T + " " + W + " " + L);
        return true;
    }
    AnsiString ShortcutExt() override { return ".desktop"; }
    int AddFontResource(const AnsiString& P) override {
        Calls.push_back("AddFont " + P);
        return FontFaces;
    }
    void BroadcastFontChange() override { Calls.push_back("FontChange"); }
    void Launch(const AnsiString& F, const AnsiString& A, const AnsiString& W) override {
        Calls.push_back("Launch " + F + " " + A + " " + W);
    }
};

class FakeView : public IMainView {
public:
    AnsiString Label2, PathCap, DriveRoot, DirDriveRoot, Dir;
    bool UpdateVisible = false, WaitVisible = false, RunEnabled = true, ExitEnabled = true,
         UjMappaEnabled = true, WindowEnabled = true, Closed = false, Shortcut = true;
    int DirUpdates = 0;
    std::vector<AnsiString> Messages;
    // The order of directory moves, messages and closing.
    std::vector<AnsiString> Trace;

    void SetLabel2Caption(const AnsiString& T) override { Label2 = T; }
    void SetUpdatePanelVisible(bool V) override { UpdateVisible = V; }
    bool UpdatePanelVisible() const override { return UpdateVisible; }
    void SetPathCaption(const AnsiString& T) override { PathCap = T; }
    AnsiString PathCaption() const override { return PathCap; }
    void SetDrive(const AnsiString& R) override { DriveRoot = R; }
    AnsiString Drive() const override { return DriveRoot; }
    void SetDirDrive(const AnsiString& R) override { DirDriveRoot = R; }
    void SetDirDirectory(const AnsiString& P) override {
        Dir = P;
        Trace.push_back("SetDir " + P);
    }
    AnsiString DirDirectory() const override { return Dir; }
    void DirUpdate() override {
        ++DirUpdates;
        Trace.push_back("DirUpdate");
    }
    void SetWaitVisible(bool V) override { WaitVisible = V; }
    void SetRunEnabled(bool E) override { RunEnabled = E; }
    void SetExitEnabled(bool E) override { ExitEnabled = E; }
    void SetUjMappaEnabled(bool E) override { UjMappaEnabled = E; }
    bool ShortcutChecked() const override { return Shortcut; }
    void SetWindowEnabled(bool E) override { WindowEnabled = E; }
    void ProcessMessages() override {}
    void ShowMessage(const AnsiString& T) override {
        Messages.push_back(T);
        Trace.push_back("Message");
    }
    void CloseWindow() override {
        Closed = true;
        Trace.push_back("Close");
    }
};

// What happens when one item is extracted.
enum class ItemFate {
    Ok,            // written below BaseDir
    Raises,        // an error leaves ExtractFiles
    PromptIgnore,  // the component's failure prompt, answered Ignore: not written, no error
    PromptRetryOk, // failure prompt answered Retry, then written
    PasswordSkip,  // skipped at the password prompt
    DiskFull,      // the batch ends cancelled
};

struct FakeEntry {
    AnsiString Stored; // stored name, '/' separators, folders end with '/'
    std::string Content;
    ItemFate Fate = ItemFate::Ok;
};

// Archives are told apart by the bytes of their file: Contents maps those bytes to the items.
// Content "broken" cannot be opened.
class FakeArchive : public IInstallArchive {
public:
    FakeOs& Fs;
    std::map<std::string, std::vector<FakeEntry>> Contents;
    std::map<AnsiString, int> ExtractCount; // BaseDir + stored name -> times written
    int ExtractCalls = 0;

    explicit FakeArchive(FakeOs& Os) : Fs(Os) {}

    void SetObserver(IInstallObserver* O) override { Obs = O; }
    void SetBaseDir(const AnsiString& D) override { Base = D; }
    void SetFileName(const AnsiString& N) override { Name = N; }
    AnsiString FileName() const override { return Name; }
    void SetOverwriteAlways() override { Always = true; }
    void SetRecurse(bool R) override { Recurse = R; }
    void OpenArchive() override {
        Open = false;
        if (!Fs.FileExists(Name)) {
            Fs.Files[Name] = ""; // opening a missing name creates an empty archive
            Items = {};
        } else if (Fs.Files[Name] == "broken") {
            throw Exception("Kestrel: Invalid archive file - Native error: 00035");
        } else {
            Items = Contents[Fs.Files[Name]];
        }
        Open = true;
    }
    bool FindFirst(const AnsiString& Mask, TInstallItem& Item, int32_t) override {
        if (Mask != "*.*")
            throw Exception("unexpected mask");
        Pos = 0;
        return Fill(Item);
    }
    bool FindNext(TInstallItem& Item) override {
        if (!Recurse)
            throw Exception("FindNext with recursion off only sees the root");
        ++Pos;
        return Fill(Item);
    }
    void ExtractFiles(const AnsiString& Mask, int32_t) override {
        if (!Open)
            throw Exception("Kestrel: Archive is not open - Native error: 00013");
        ++ExtractCalls;
        for (const auto& E : Items)
            if (Matches(E.Stored, Mask))
                ExtractOne(E);
    }
    void CloseArchive() override { Open = false; }

private:
    static AnsiString Trimmed(const AnsiString& S) {
        return !S.empty() && S.back() == '/' ? S.substr(0, S.size() - 1) : S;
    }
    // With recursion off a mask with a folder part names one item; with recursion on a bare name
    // also finds same-named items in every folder.
    bool Matches(const AnsiString& Stored, const AnsiString& Mask) const {
        const AnsiString N = Lower(Native(Trimmed(Stored))), M = Lower(Native(Mask));
        if (N == M)
            return true;
        return Recurse && Lower(ExtractFileName(N)) == M;
    }
    bool Fill(TInstallItem& Item) {
        if (!Open || Pos >= Items.size())
            return false;
        const AnsiString N = Trimmed(Items[Pos].Stored);
        Item.FileName = ExtractFileName(N);
        Item.StoredPath = ExtractDirPart(Native(N)); // the native form, as the real archive gives it
        return true;
    }
    void ExtractOne(const FakeEntry& E) {
        switch (E.Fate) {
        case ItemFate::Raises:
            throw Exception("Kestrel: Cannot create file - Native error: 00019");
        case ItemFate::PromptIgnore:
            if (Obs)
                Obs->ItemFailed(Trimmed(E.Stored));
            return;
        case ItemFate::PasswordSkip:
        case ItemFate::DiskFull:
            if (Obs)
                Obs->ItemsNotInstalled();
            return;
        case ItemFate::Ok:
        case ItemFate::PromptRetryOk:
            break;
        }
        const AnsiString Out = Base + Native(Trimmed(E.Stored));
        if (!E.Stored.empty() && E.Stored.back() == '/') {
            Fs.MakeDirs(Out);
        } else {
            Fs.MakeDirs(ExtractDirPart(Out));
            Fs.Files[Out] = E.Content;
        }
        ++ExtractCount[Out];
    }

    IInstallObserver* Obs = nullptr;
    AnsiString Base, Name;
    bool Always = false, Recurse = true, Open = false;
    std::vector<FakeEntry> Items;
    size_t Pos = 0;
};

} // namespace ks::inst::test
