#include "installer/win32/WinUi.h"

#include <map>

namespace ks::win {

std::wstring Wide(const AnsiString& S) {
    if (S.empty())
        return {};
    const int N = MultiByteToWideChar(CP_UTF8, 0, S.data(), static_cast<int>(S.size()), nullptr, 0);
    std::wstring Out(static_cast<size_t>(N), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, S.data(), static_cast<int>(S.size()), Out.data(), N);
    return Out;
}

AnsiString Utf8(const std::wstring& S) {
    if (S.empty())
        return {};
    const int N =
        WideCharToMultiByte(CP_UTF8, 0, S.data(), static_cast<int>(S.size()), nullptr, 0, nullptr, nullptr);
    AnsiString Out(static_cast<size_t>(N), '\0');
    WideCharToMultiByte(CP_UTF8, 0, S.data(), static_cast<int>(S.size()), Out.data(), N, nullptr, nullptr);
    return Out;
}

std::string ToAnsiCp(const AnsiString& Utf8Text) {
    const std::wstring W = Wide(Utf8Text);
    if (W.empty())
        return {};
    const int N =
        WideCharToMultiByte(CP_ACP, 0, W.data(), static_cast<int>(W.size()), nullptr, 0, nullptr, nullptr);
    std::string Out(static_cast<size_t>(N), '\0');
    WideCharToMultiByte(CP_ACP, 0, W.data(), static_cast<int>(W.size()), Out.data(), N, nullptr, nullptr);
    return Out;
}

AnsiString FromAnsiCp(const char* AnsiText) {
    const int N = MultiByteToWideChar(CP_ACP, 0, AnsiText, -1, nullptr, 0);
    if (N <= 1)
        return {};
    std::wstring W(static_cast<size_t>(N), L'\0');
    MultiByteToWideChar(CP_ACP, 0, AnsiText, -1, W.data(), N);
    W.resize(static_cast<size_t>(N - 1));
    return Utf8(W);
}

namespace {

HFONT MakeFont(int Height, bool Bold) {
    return CreateFontW(Height, 0, 0, 0, Bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                       L"MS Sans Serif");
}

const wchar_t* const BackProp = L"KSBackColor";
const wchar_t* const PanelClass = L"KSPanel";
HWND GMainWindow = nullptr;

LRESULT CALLBACK PanelProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    if (LRESULT Look = 0; ChildLookMessage(Msg, WParam, LParam, Look))
        return Look;
    switch (Msg) {
    case WM_ERASEBKGND:
        return EraseBackground(Wnd, reinterpret_cast<HDC>(WParam), BackColor(Wnd, clPage));
    case WM_COMMAND:
        // Controls nested in panels are handled by the top-level window.
        return SendMessageW(GetAncestor(Wnd, GA_ROOT), Msg, WParam, LParam);
    case WM_NCDESTROY:
        RemovePropW(Wnd, BackProp);
        break;
    }
    return DefWindowProcW(Wnd, Msg, WParam, LParam);
}

} // namespace

void RegisterWindowClass(const wchar_t* Name, WNDPROC Proc, HICON Icon, HBRUSH Background) {
    WNDCLASSEXW C{};
    C.cbSize = sizeof(C);
    if (GetClassInfoExW(GetModuleHandleW(nullptr), Name, &C))
        return;
    C.lpfnWndProc = Proc;
    C.hInstance = GetModuleHandleW(nullptr);
    C.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    C.hIcon = Icon;
    C.hbrBackground = Background;
    C.lpszClassName = Name;
    RegisterClassExW(&C);
}

bool ChildLookMessage(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) {
    switch (Msg) {
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLOREDIT:
        Result = reinterpret_cast<LRESULT>(
            ControlColor(reinterpret_cast<HDC>(WParam), reinterpret_cast<HWND>(LParam)));
        return true;
    case WM_DRAWITEM:
        Result = DrawColouredButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(LParam));
        return true;
    }
    return false;
}

const TWinFonts& Fonts() {
    static const TWinFonts F{MakeFont(-11, false), MakeFont(-11, true), MakeFont(-16, true)};
    return F;
}

void SetBackColor(HWND Wnd, COLORREF Color) {
    // The property holds the colour plus one, so that black is told apart from no colour.
    SetPropW(Wnd, BackProp, reinterpret_cast<HANDLE>(static_cast<uintptr_t>(Color) + 1));
}

COLORREF BackColor(HWND Wnd, COLORREF Default) {
    const auto V = reinterpret_cast<uintptr_t>(GetPropW(Wnd, BackProp));
    return V == 0 ? Default : static_cast<COLORREF>(V - 1);
}

LRESULT EraseBackground(HWND Wnd, HDC Dc, COLORREF Color) {
    RECT R;
    GetClientRect(Wnd, &R);
    HBRUSH B = CreateSolidBrush(Color);
    FillRect(Dc, &R, B);
    DeleteObject(B);
    return 1;
}

HBRUSH ControlColor(HDC Dc, HWND Control) {
    static std::map<COLORREF, HBRUSH> Brushes;
    const COLORREF Back = BackColor(Control, BackColor(GetParent(Control), GetSysColor(COLOR_BTNFACE)));
    SetTextColor(Dc, clText);
    SetBkColor(Dc, Back);
    HBRUSH& B = Brushes[Back];
    if (!B)
        B = CreateSolidBrush(Back);
    return B;
}

HWND CreatePanel(HWND Parent, int X, int Y, int W, int H, COLORREF Color, bool Visible) {
    RegisterWindowClass(PanelClass, PanelProc);
    HWND P = CreateWindowExW(WS_EX_CONTROLPARENT, PanelClass, L" ",
                             WS_CHILD | WS_CLIPSIBLINGS | (Visible ? WS_VISIBLE : 0), X, Y, W, H, Parent,
                             nullptr, GetModuleHandleW(nullptr), nullptr);
    SetBackColor(P, Color);
    return P;
}

namespace {
SIZE TextSize(HWND Wnd, const std::wstring& Text) {
    HDC Dc = GetDC(Wnd);
    HGDIOBJ Old = SelectObject(Dc, reinterpret_cast<HGDIOBJ>(SendMessageW(Wnd, WM_GETFONT, 0, 0)));
    SIZE S{0, 0};
    GetTextExtentPoint32W(Dc, Text.c_str(), static_cast<int>(Text.size()), &S);
    SelectObject(Dc, Old);
    ReleaseDC(Wnd, Dc);
    return S;
}
} // namespace

HWND CreateLabel(HWND Parent, const AnsiString& Text, int X, int Y, int W, int H, HFONT Font, DWORD Style,
                 bool Visible) {
    const bool Auto = W == 0 || H == 0;
    HWND L = CreateWindowExW(0, L"STATIC", Wide(Text).c_str(),
                             WS_CHILD | SS_NOPREFIX | Style | (Visible ? WS_VISIBLE : 0), X, Y, W, H, Parent,
                             nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(L, WM_SETFONT, reinterpret_cast<WPARAM>(Font), FALSE);
    if (Auto)
        SetLabelText(L, Text, true);
    return L;
}

void SetLabelText(HWND Label, const AnsiString& Text, bool AutoSize) {
    const std::wstring T = Wide(Text);
    SetWindowTextW(Label, T.c_str());
    if (AutoSize) {
        const SIZE S = TextSize(Label, T.empty() ? L" " : T);
        SetWindowPos(Label, nullptr, 0, 0, S.cx, S.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

HWND CreateButton(HWND Parent, int Id, const AnsiString& Text, int X, int Y, int W, int H, HFONT Font,
                  DWORD Style) {
    HWND B = CreateWindowExW(0, L"BUTTON", Wide(Text).c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP | Style, X,
                             Y, W, H, Parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(Id)),
                             GetModuleHandleW(nullptr), nullptr);
    SendMessageW(B, WM_SETFONT, reinterpret_cast<WPARAM>(Font), FALSE);
    return B;
}

namespace {

const wchar_t* const ButtonProcProp = L"KSButtonProc";

LRESULT CALLBACK ColouredButtonProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    const auto Base = reinterpret_cast<WNDPROC>(GetPropW(Wnd, ButtonProcProp));
    switch (Msg) {
    case WM_GETDLGCODE:
        // An owner-drawn button would answer as no push button at all, and Enter would pass it by.
        return DLGC_BUTTON | (GetFocus() == Wnd ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
    case BM_SETSTYLE:
        // Making it a default or plain push button would end the owner drawing; the focus frame
        // shows which button Enter clicks.
        if (LParam)
            InvalidateRect(Wnd, nullptr, TRUE);
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrW(Wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Base));
        RemovePropW(Wnd, ButtonProcProp);
        break;
    }
    return CallWindowProcW(Base, Wnd, Msg, WParam, LParam);
}

void DrawCaption(HDC Dc, const std::wstring& Text, RECT R, COLORREF Color) {
    SetTextColor(Dc, Color);
    DrawTextW(Dc, Text.c_str(), static_cast<int>(Text.size()), &R,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

} // namespace

HWND CreateColouredButton(HWND Parent, int Id, const AnsiString& Text, int X, int Y, int W, int H,
                          HFONT Font) {
    HWND B = CreateButton(Parent, Id, Text, X, Y, W, H, Font, BS_OWNERDRAW);
    if (B) {
        SetPropW(B, ButtonProcProp, reinterpret_cast<HANDLE>(GetWindowLongPtrW(B, GWLP_WNDPROC)));
        SetWindowLongPtrW(B, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ColouredButtonProc));
    }
    return B;
}

bool DrawColouredButton(const DRAWITEMSTRUCT& Item) {
    if (Item.CtlType != ODT_BUTTON || !GetPropW(Item.hwndItem, ButtonProcProp))
        return false;
    HDC Dc = Item.hDC;
    RECT R = Item.rcItem;
    const bool Pushed = (Item.itemState & ODS_SELECTED) != 0;
    const bool Focused = (Item.itemState & ODS_FOCUS) != 0;
    const bool Disabled = (Item.itemState & ODS_DISABLED) != 0;
    if (Focused) {
        FrameRect(Dc, &R, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        InflateRect(&R, -1, -1);
    }
    DrawFrameControl(Dc, &R, DFC_BUTTON, DFCS_BUTTONPUSH | (Pushed ? DFCS_PUSHED : 0));

    const int Len = GetWindowTextLengthW(Item.hwndItem);
    std::wstring Text(static_cast<size_t>(Len) + 1, L'\0');
    GetWindowTextW(Item.hwndItem, Text.data(), Len + 1);
    Text.resize(static_cast<size_t>(Len));
    const HGDIOBJ OldFont =
        SelectObject(Dc, reinterpret_cast<HGDIOBJ>(SendMessageW(Item.hwndItem, WM_GETFONT, 0, 0)));
    const int OldMode = SetBkMode(Dc, TRANSPARENT);
    const COLORREF OldColor = GetTextColor(Dc);
    RECT T = R;
    if (Pushed)
        OffsetRect(&T, 1, 1);
    if (Disabled) {
        // The engraved grey of a disabled caption: a light copy one pixel down and right.
        RECT Light = T;
        OffsetRect(&Light, 1, 1);
        DrawCaption(Dc, Text, Light, GetSysColor(COLOR_BTNHIGHLIGHT));
        DrawCaption(Dc, Text, T, GetSysColor(COLOR_GRAYTEXT));
    } else {
        DrawCaption(Dc, Text, T, clText);
    }
    SetTextColor(Dc, OldColor);
    SetBkMode(Dc, OldMode);
    SelectObject(Dc, OldFont);
    if (Focused) {
        RECT F = R;
        InflateRect(&F, -3, -3);
        DrawFocusRect(Dc, &F);
    }
    return true;
}

RECT CentredWindowRect(int W, int H, DWORD Style, DWORD ExStyle) {
    RECT R{0, 0, W, H};
    AdjustWindowRectEx(&R, Style, FALSE, ExStyle);
    const int OW = R.right - R.left, OH = R.bottom - R.top;
    const int X = (GetSystemMetrics(SM_CXSCREEN) - OW) / 2, Y = (GetSystemMetrics(SM_CYSCREEN) - OH) / 2;
    return RECT{X, Y, X + OW, Y + OH};
}

namespace {
// True when the message was a WM_QUIT (left for the caller).
bool HandleOne(MSG& M, HWND Dialog) {
    if (M.message == WM_QUIT)
        return true;
    if (Dialog && IsDialogMessageW(Dialog, &M))
        return false;
    TranslateMessage(&M);
    DispatchMessageW(&M);
    return false;
}
} // namespace

void RunModal(HWND Dialog, HWND Owner, const bool& Done) {
    if (!Dialog)
        return; // a window that could not be made cannot be waited for
    // An owner that is disabled already (the main window during a run) stays so afterwards.
    const bool DisableOwner = Owner && IsWindowEnabled(Owner);
    if (DisableOwner)
        EnableWindow(Owner, FALSE);
    ShowWindow(Dialog, SW_SHOW);
    SetForegroundWindow(Dialog);
    MSG M;
    while (!Done) {
        const BOOL R = GetMessageW(&M, nullptr, 0, 0);
        if (R <= 0) {
            PostQuitMessage(R == 0 ? static_cast<int>(M.wParam) : 1);
            break;
        }
        HandleOne(M, Dialog);
    }
    // The owner is enabled before the dialog goes, so that activation returns to it.
    if (DisableOwner)
        EnableWindow(Owner, TRUE);
    ShowWindow(Dialog, SW_HIDE);
}

int ModalMessageBox(HWND Owner, const AnsiString& Text, const AnsiString& Caption, UINT Type) {
    const bool OwnerDisabled = Owner && !IsWindowEnabled(Owner);
    const int Answer = MessageBoxW(Owner, Wide(Text).c_str(), Wide(Caption).c_str(), Type);
    if (OwnerDisabled && IsWindowEnabled(Owner))
        EnableWindow(Owner, FALSE);
    return Answer;
}

void PumpMessages() {
    MSG M;
    while (PeekMessageW(&M, nullptr, 0, 0, PM_REMOVE)) {
        if (HandleOne(M, GMainWindow)) {
            PostQuitMessage(static_cast<int>(M.wParam));
            break;
        }
    }
}

void SetMainWindow(HWND Wnd) {
    GMainWindow = Wnd;
}
HWND MainWindow() {
    return GMainWindow;
}

} // namespace ks::win
