// WinDriveComboBox.h -- the drive selector: a drop-down list of the system's drives ("c:"),
// each standing for its root ("C:\").
#pragma once

#include "installer/win32/WinApi.h"
#include <string>
#include <vector>

#include "platform/KSTypes.h"

namespace ks::win {

class TWinDriveComboBox {
public:
    TWinDriveComboBox(HWND Parent, int Id, int X, int Y, int W, int H);
    HWND Handle() const { return FWnd; }

    // Re-reads the drives, keeping the chosen one when it is still there.
    void Refresh();
    // The chosen drive's root ("C:\"); empty when none is chosen.
    AnsiString Drive() const;
    // Chooses the drive of Root (its first letter counts); adds it when it is not listed.
    void SetDrive(const AnsiString& Root);

private:
    HWND FWnd;
    std::vector<AnsiString> FRoots;
};

} // namespace ks::win
