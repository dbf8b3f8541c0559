// WinDirectoryListBox.h -- the directory list: the current folder's ancestors from its drive's
// root, the folder itself, then its sub-folders, each level indented. Double-clicking an entry
// moves there.
#pragma once

#include "installer/win32/WinApi.h"
#include <vector>

#include "platform/KSTypes.h"

namespace ks::win {

class TWinDirectoryListBox {
public:
    TWinDirectoryListBox(HWND Parent, int Id, int X, int Y, int W, int H);
    HWND Handle() const { return FWnd; }

    // The current folder as a full path: "C:\" for a root, otherwise without a trailing "\".
    AnsiString Directory() const { return FDirectory; }
    // Moves to Path (a folder that does not exist leaves the list where it is). A path without a
    // drive is taken on the list's drive.
    void SetDirectory(const AnsiString& Path);
    // Re-roots the list at another drive's root, unless the current folder is on it.
    void SetDrive(const AnsiString& Root);
    AnsiString Drive() const { return FDrive; }
    // Re-reads the file system below the current folder.
    void Update() { Fill(); }
    // The list's notification (LBN_DBLCLK moves to the entry).
    void Notify(int Code);

private:
    void Fill();

    HWND FWnd;
    AnsiString FDrive = "C:\\";
    AnsiString FDirectory = "C:\\";
    std::vector<AnsiString> FPaths; // the folder of each entry
};

// The full, cleaned form of a folder path: "\" and "/" as separators, no doubled or trailing
// separator except the root's ("C:\"), "." and ".." resolved; relative to Drive when it has no
// drive of its own.
AnsiString CleanFolderPath(const AnsiString& Path, const AnsiString& Drive);

} // namespace ks::win
