#include "installer/win32/WinDirectoryListBox.h"

#include <algorithm>

#include "installer/core/PathRules.h"
#include "installer/win32/WinUi.h"

namespace ks::win {

namespace {
constexpr int ItemHeight = 16;
constexpr int IndentPerLevel = 2; // blanks of indentation per folder level

bool IsDir(const AnsiString& P) {
    const DWORD A = GetFileAttributesW(Wide(P).c_str());
    return A != INVALID_FILE_ATTRIBUTES && (A & FILE_ATTRIBUTE_DIRECTORY);
}
bool HasDrive(const AnsiString& P) {
    return P.size() >= 2 && P[1] == ':';
}
AnsiString Upper(AnsiString S) {
    return inst::AsciiUpper(S);
}
} // namespace

AnsiString CleanFolderPath(const AnsiString& Path, const AnsiString& Drive) {
    AnsiString P = Path;
    for (char& C : P)
        if (C == '/')
            C = '\\';
    if (!HasDrive(P))
        P = Drive.substr(0, 2) + (P.empty() || P[0] != '\\' ? "\\" : "") + P;
    const std::wstring In = Wide(P);
    wchar_t Buf[32768];
    const DWORD N = GetFullPathNameW(In.c_str(), 32768, Buf, nullptr);
    AnsiString Out = N > 0 && N < 32768 ? Utf8(std::wstring(Buf, N)) : P;
    while (Out.size() > 3 && Out.back() == '\\')
        Out.pop_back();
    if (Out.size() == 2 && Out[1] == ':')
        Out += '\\';
    if (Out.size() >= 1 && Out[0] >= 'a' && Out[0] <= 'z' && HasDrive(Out))
        Out[0] = static_cast<char>(Out[0] - 'a' + 'A');
    return Out;
}

TWinDirectoryListBox::TWinDirectoryListBox(HWND Parent, int Id, int X, int Y, int W, int H) {
    FWnd = CreateWindowExW(
        0, L"LISTBOX", L"",
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, X, Y,
        W, H, Parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(Id)), GetModuleHandleW(nullptr), nullptr);
    SendMessageW(FWnd, WM_SETFONT, reinterpret_cast<WPARAM>(Fonts().Normal), FALSE);
    SendMessageW(FWnd, LB_SETITEMHEIGHT, 0, ItemHeight);
    SetBackColor(FWnd, clChooser);
    Fill();
}

void TWinDirectoryListBox::SetDirectory(const AnsiString& Path) {
    const AnsiString Clean = CleanFolderPath(Path, FDrive);
    if (!IsDir(Clean))
        return;
    FDirectory = Clean;
    FDrive = Clean.substr(0, 2) + "\\";
    Fill();
}

void TWinDirectoryListBox::SetDrive(const AnsiString& Root) {
    if (Root.size() < 2)
        return;
    const AnsiString R = CleanFolderPath(Root.substr(0, 2) + "\\", Root);
    if (Upper(FDirectory.substr(0, 2)) == Upper(R.substr(0, 2)))
        return;
    FDrive = R;
    FDirectory = R;
    Fill();
}

void TWinDirectoryListBox::Notify(int Code) {
    if (Code != LBN_DBLCLK)
        return;
    const LRESULT I = SendMessageW(FWnd, LB_GETCURSEL, 0, 0);
    if (I >= 0 && static_cast<size_t>(I) < FPaths.size())
        SetDirectory(FPaths[static_cast<size_t>(I)]);
}

void TWinDirectoryListBox::Fill() {
    SendMessageW(FWnd, WM_SETREDRAW, FALSE, 0);
    SendMessageW(FWnd, LB_RESETCONTENT, 0, 0);
    FPaths.clear();
    // Ancestors from the root to the current folder.
    std::vector<AnsiString> Chain;
    for (AnsiString P = FDirectory;;) {
        Chain.insert(Chain.begin(), P);
        if (P.size() <= 3)
            break;
        AnsiString Parent = inst::ExtractFilePath(P);
        while (Parent.size() > 3 && Parent.back() == '\\')
            Parent.pop_back();
        if (Parent.empty() || Parent == P)
            break;
        P = Parent;
    }
    auto Add = [this](int Level, const AnsiString& Name, const AnsiString& Path) {
        const AnsiString Text = AnsiString(static_cast<size_t>(Level * IndentPerLevel), ' ') + Name;
        SendMessageW(FWnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(Text).c_str()));
        FPaths.push_back(Path);
    };
    int Level = 0;
    for (const AnsiString& P : Chain) {
        AnsiString Name = P.size() <= 3 ? P : inst::ExtractFileName(P);
        if (P.size() <= 3)
            Name[0] = static_cast<char>(Name[0] >= 'A' && Name[0] <= 'Z' ? Name[0] - 'A' + 'a' : Name[0]);
        Add(Level++, Name, P);
    }
    SendMessageW(FWnd, LB_SETCURSEL, Chain.size() - 1, 0);

    std::vector<std::wstring> Subs;
    WIN32_FIND_DATAW D;
    HANDLE H = FindFirstFileW(Wide(inst::IncludeTrailingDelim(FDirectory) + "*").c_str(), &D);
    if (H != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring N = D.cFileName;
            if ((D.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && N != L"." && N != L"..")
                Subs.push_back(N);
        } while (FindNextFileW(H, &D));
        FindClose(H);
    }
    std::sort(Subs.begin(), Subs.end(), [](const std::wstring& A, const std::wstring& B) {
        return lstrcmpiW(A.c_str(), B.c_str()) < 0;
    });
    for (const std::wstring& S : Subs)
        Add(Level, Utf8(S), inst::IncludeTrailingDelim(FDirectory) + Utf8(S));
    SendMessageW(FWnd, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(FWnd, nullptr, TRUE);
}

} // namespace ks::win
