#include "installer/win32/WinDriveComboBox.h"

#include "installer/win32/WinUi.h"

namespace ks::win {

namespace {
AnsiString RootOf(char Letter) {
    const char L = Letter >= 'a' && Letter <= 'z' ? static_cast<char>(Letter - 'a' + 'A') : Letter;
    return AnsiString(1, L) + ":\\";
}
AnsiString ItemText(const AnsiString& Root) {
    const char L = Root[0] >= 'A' && Root[0] <= 'Z' ? static_cast<char>(Root[0] - 'A' + 'a') : Root[0];
    return AnsiString(1, L) + ":";
}
} // namespace

TWinDriveComboBox::TWinDriveComboBox(HWND Parent, int Id, int X, int Y, int W, int H) {
    // The height given is the closed box; the drop-down list gets room for a dozen drives.
    FWnd = CreateWindowExW(0, L"COMBOBOX", L"",
                           WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, X, Y, W,
                           H + 200, Parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(Id)),
                           GetModuleHandleW(nullptr), nullptr);
    SendMessageW(FWnd, WM_SETFONT, reinterpret_cast<WPARAM>(Fonts().Normal), FALSE);
    SendMessageW(FWnd, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), H - 6);
    SetBackColor(FWnd, clChooser);
    Refresh();
}

void TWinDriveComboBox::Refresh() {
    const AnsiString Keep = Drive();
    SendMessageW(FWnd, CB_RESETCONTENT, 0, 0);
    FRoots.clear();
    const DWORD Mask = GetLogicalDrives();
    for (int I = 0; I < 26; ++I)
        if (Mask & (1u << I)) {
            FRoots.push_back(RootOf(static_cast<char>('A' + I)));
            SendMessageW(FWnd, CB_ADDSTRING, 0,
                         reinterpret_cast<LPARAM>(Wide(ItemText(FRoots.back())).c_str()));
        }
    if (!Keep.empty())
        SetDrive(Keep);
}

AnsiString TWinDriveComboBox::Drive() const {
    const LRESULT I = SendMessageW(FWnd, CB_GETCURSEL, 0, 0);
    return I >= 0 && static_cast<size_t>(I) < FRoots.size() ? FRoots[static_cast<size_t>(I)] : AnsiString();
}

void TWinDriveComboBox::SetDrive(const AnsiString& Root) {
    if (Root.empty())
        return;
    const AnsiString R = RootOf(Root[0]);
    size_t I = 0;
    while (I < FRoots.size() && FRoots[I] != R)
        ++I;
    if (I == FRoots.size()) {
        FRoots.push_back(R);
        SendMessageW(FWnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(ItemText(R)).c_str()));
    }
    SendMessageW(FWnd, CB_SETCURSEL, I, 0);
}

} // namespace ks::win
