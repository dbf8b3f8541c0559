#include "installer/win32/WinFrmUjMappa.h"

#include "installer/win32/WinUi.h"

namespace ks::win {

TWinFrmUjMappa* frmUjMappa = nullptr;

namespace {
constexpr int IdEdit = 301, IdCreate = 302, IdCancel = 303;
const wchar_t* const ClassName = L"TfrmUjMappa";
const wchar_t* const SelfProp = L"KSUjMappa";
} // namespace

TWinFrmUjMappa::TWinFrmUjMappa(HWND Owner) : FOwner(Owner) {
    RegisterWindowClass(ClassName, WndProc);
    // Fixed single border, a caption and no caption buttons.
    const DWORD Style = WS_POPUP | WS_CAPTION;
    const DWORD Ex = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    const RECT R = CentredWindowRect(404, 92, Style, Ex);
    FWnd = CreateWindowExW(Ex, ClassName, Wide("Új mappa létrehozása").c_str(), Style, R.left, R.top,
                           R.right - R.left, R.bottom - R.top, Owner, nullptr, GetModuleHandleW(nullptr),
                           nullptr);
    SetPropW(FWnd, SelfProp, this);
    SetBackColor(FWnd, clPage);
    const TWinFonts& F = Fonts();
    // Created in tab order: the edit box, then the two buttons; the labels take no focus.
    FEdit = CreateWindowExW(
        WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 8, 32, 386, 21,
        FWnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IdEdit)), GetModuleHandleW(nullptr), nullptr);
    SendMessageW(FEdit, WM_SETFONT, reinterpret_cast<WPARAM>(F.Normal), FALSE);
    SendMessageW(FEdit, EM_LIMITTEXT, 20, 0);
    SetBackColor(FEdit, clEdit);
    SetPropW(FEdit, SelfProp, this);
    FEditDefault = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(FEdit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TWinFrmUjMappa::EditProc)));
    FCreate = CreateColouredButton(FWnd, IdCreate, "Létrehoz", 240, 60, 75, 25, F.Normal);
    FCancel = CreateColouredButton(FWnd, IdCancel, "Mégsem", 320, 60, 75, 25, F.Normal);
    CreateLabel(FWnd, "Adja meg az új mappa nevét", 8, 16, 0, 0, F.Bold);
    CreateLabel(FWnd, "A névben nem szerepelhetnek a következő karakterek:", 8, 59, 209, 26, F.Normal,
                SS_LEFT);
    CreateLabel(FWnd, "\\ / : * ? \" < > |", 68, 73, 0, 0, F.Bold);
}

TWinFrmUjMappa::~TWinFrmUjMappa() {
    if (FWnd) {
        SetWindowLongPtrW(FEdit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FEditDefault));
        RemovePropW(FEdit, SelfProp);
        RemovePropW(FWnd, SelfProp);
        DestroyWindow(FWnd);
    }
}

LRESULT CALLBACK TWinFrmUjMappa::WndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    auto* Self = static_cast<TWinFrmUjMappa*>(GetPropW(Wnd, SelfProp));
    if (LRESULT Look = 0; ChildLookMessage(Msg, WParam, LParam, Look))
        return Look;
    switch (Msg) {
    case WM_ERASEBKGND:
        return EraseBackground(Wnd, reinterpret_cast<HDC>(WParam), clPage);
    case WM_COMMAND:
        if (!Self)
            break;
        if (LOWORD(WParam) == IdEdit && HIWORD(WParam) == EN_CHANGE)
            inst::edtMappaChange(*Self);
        else if (LOWORD(WParam) == IdCreate && HIWORD(WParam) == BN_CLICKED) {
            Self->FResult = inst::TModalResult::OK;
            Self->FDone = true;
        } else if (LOWORD(WParam) == IdCancel && HIWORD(WParam) == BN_CLICKED) {
            Self->FResult = inst::TModalResult::Cancel;
            Self->FDone = true;
        }
        return 0;
    case WM_CLOSE:
        if (Self) {
            Self->FResult = inst::TModalResult::Cancel;
            Self->FDone = true;
        }
        return 0;
    }
    return DefWindowProcW(Wnd, Msg, WParam, LParam);
}

LRESULT CALLBACK TWinFrmUjMappa::EditProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    auto* Self = static_cast<TWinFrmUjMappa*>(GetPropW(Wnd, SelfProp));
    if (!Self)
        return DefWindowProcW(Wnd, Msg, WParam, LParam);
    if (Msg == WM_GETDLGCODE) {
        // Enter and Escape belong to the key filter, not to the dialog's keyboard handling.
        const auto* M = reinterpret_cast<const MSG*>(LParam);
        if (M && M->message == WM_KEYDOWN && (M->wParam == VK_RETURN || M->wParam == VK_ESCAPE))
            return DLGC_WANTMESSAGE | CallWindowProcW(Self->FEditDefault, Wnd, Msg, WParam, LParam);
    }
    if (Msg == WM_CHAR) {
        char32_t Key = static_cast<char32_t>(WParam);
        const char32_t Typed = Key;
        inst::edtMappaKeyPress(*Self, Key);
        if (Key == 0 || Typed == 13 || Typed == 27)
            return 0; // not inserted (and no beep for Enter or Escape)
    }
    return CallWindowProcW(Self->FEditDefault, Wnd, Msg, WParam, LParam);
}

void TWinFrmUjMappa::SetText(const AnsiString& Text) {
    SetWindowTextW(FEdit, Wide(Text).c_str());
    inst::edtMappaChange(*this); // the text may not have changed, which sends no EN_CHANGE
}

AnsiString TWinFrmUjMappa::Text() const {
    const int N = GetWindowTextLengthW(FEdit);
    std::wstring T(static_cast<size_t>(N) + 1, L'\0');
    GetWindowTextW(FEdit, T.data(), N + 1);
    T.resize(static_cast<size_t>(N));
    return Utf8(T);
}

void TWinFrmUjMappa::SetCreateEnabled(bool Enabled) {
    EnableWindow(FCreate, Enabled);
}
bool TWinFrmUjMappa::CreateEnabled() const {
    return IsWindowEnabled(FCreate) != 0;
}
void TWinFrmUjMappa::ClickCreate() {
    SendMessageW(FCreate, BM_CLICK, 0, 0);
}
void TWinFrmUjMappa::ClickCancel() {
    SendMessageW(FCancel, BM_CLICK, 0, 0);
}

inst::TModalResult TWinFrmUjMappa::ShowModal() {
    FResult = inst::TModalResult::None;
    FDone = false;
    ShowWindow(FWnd, SW_SHOW);
    SetFocus(FEdit);
    RunModal(FWnd, FOwner, FDone);
    return FResult;
}

AnsiString ShowUjMappa(const AnsiString& aPath, HWND Owner, inst::IOsServices& Os) {
    // A fresh instance every time; nothing refers to the previous one any more.
    delete frmUjMappa;
    frmUjMappa = new TWinFrmUjMappa(Owner);
    return inst::ShowUjMappa(aPath, *frmUjMappa, Os);
}

} // namespace ks::win
