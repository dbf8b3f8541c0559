#include "installer/win32/WinPrompts.h"

#include <utility>
#include <vector>

#include "installer/win32/WinTrace.h"
#include "installer/win32/WinUi.h"

namespace ks::win {

namespace {

constexpr int IdNoToAll = 20;
constexpr int IdYesToAll = 21;

struct TButtonInfo {
    TKSPromptButton Button;
    int Id;
    const char* Caption;
};
// In the order in which the buttons stand in a box.
const TButtonInfo ButtonTable[] = {
    {pbYes, IDYES, "&Yes"},
    {pbNo, IDNO, "&No"},
    {pbOK, IDOK, "OK"},
    {pbCancel, IDCANCEL, "Cancel"},
    {pbAbort, IDABORT, "&Abort"},
    {pbRetry, IDRETRY, "&Retry"},
    {pbIgnore, IDIGNORE, "&Ignore"},
    {pbNoToAll, IdNoToAll, "N&o to All"},
    {pbYesToAll, IdYesToAll, "Yes to &All"},
};

HWND Owner() {
    HWND A = GetActiveWindow();
    return A ? A : MainWindow();
}

AnsiString ButtonNames(TKSPromptButtons Buttons) {
    AnsiString S;
    for (const TButtonInfo& B : ButtonTable)
        if (KSHasButton(Buttons, B.Button)) {
            if (!S.empty())
                S += '/';
            for (const char* C = B.Caption; *C; ++C)
                if (*C != '&')
                    S += *C;
        }
    return S;
}

// A modal window of the installer's own: a window class whose procedure stores the command
// that closes it.
struct TModalState {
    bool Done = false;
    int Command = 0;
};

LRESULT CALLBACK ModalProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    auto* S = reinterpret_cast<TModalState*>(GetWindowLongPtrW(Wnd, GWLP_USERDATA));
    if (LRESULT Look = 0; ChildLookMessage(Msg, WParam, LParam, Look))
        return Look;
    switch (Msg) {
    case WM_COMMAND:
        if (S && HIWORD(WParam) == BN_CLICKED && LOWORD(WParam) != 0) {
            S->Command = LOWORD(WParam);
            S->Done = true;
            return 0;
        }
        break;
    case WM_CLOSE:
        if (S) {
            S->Command = 0;
            S->Done = true;
        }
        return 0;
    }
    return DefWindowProcW(Wnd, Msg, WParam, LParam);
}

HWND CreateModal(const AnsiString& Caption, int ClientW, int ClientH, TModalState& State, bool CloseBox) {
    RegisterWindowClass(L"KSPromptDialog", ModalProc, nullptr, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    const DWORD Style = WS_POPUP | WS_CAPTION | (CloseBox ? WS_SYSMENU : 0);
    const DWORD Ex = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    const RECT R = CentredWindowRect(ClientW, ClientH, Style, Ex);
    HWND W =
        CreateWindowExW(Ex, L"KSPromptDialog", Wide(Caption).c_str(), Style, R.left, R.top, R.right - R.left,
                        R.bottom - R.top, Owner(), nullptr, GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(W, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&State));
    SetBackColor(W, GetSysColor(COLOR_BTNFACE));
    return W;
}

// A confirmation with any set of buttons: the question icon, the text, the buttons in a row.
TKSPromptButton ButtonDialog(const AnsiString& Text, TKSPromptButtons Buttons) {
    std::vector<TButtonInfo> Row;
    for (const TButtonInfo& B : ButtonTable)
        if (KSHasButton(Buttons, B.Button))
            Row.push_back(B);
    HDC Dc = GetDC(nullptr);
    HGDIOBJ Old = SelectObject(Dc, Fonts().Normal);
    RECT TextRect{0, 0, 360, 0};
    const std::wstring WText = Wide(Text);
    DrawTextW(Dc, WText.c_str(), static_cast<int>(WText.size()), &TextRect,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(Dc, Old);
    ReleaseDC(nullptr, Dc);

    constexpr int Margin = 12, IconSize = 32, BtnW = 75, BtnH = 23, Gap = 6;
    const int RowW = static_cast<int>(Row.size()) * BtnW + (static_cast<int>(Row.size()) - 1) * Gap;
    const int TextW = TextRect.right, TextH = TextRect.bottom < IconSize ? IconSize : TextRect.bottom;
    int ClientW = Margin + IconSize + Margin + TextW + Margin;
    if (ClientW < RowW + 2 * Margin)
        ClientW = RowW + 2 * Margin;
    const int ClientH = Margin + TextH + Margin + BtnH + Margin;

    TModalState State;
    HWND Dlg = CreateModal(KSPromptTitle, ClientW, ClientH, State, false);
    HWND Icon = CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE | SS_ICON, Margin, Margin,
                                IconSize, IconSize, Dlg, nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(Icon, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(nullptr, IDI_QUESTION)), 0);
    HWND Label = CreateLabel(Dlg, Text, 2 * Margin + IconSize, Margin, TextW, TextH, Fonts().Normal, SS_LEFT);
    (void)Label;
    int X = (ClientW - RowW) / 2;
    HWND First = nullptr;
    for (const TButtonInfo& B : Row) {
        HWND Btn = CreateButton(Dlg, B.Id, B.Caption, X, ClientH - Margin - BtnH, BtnW, BtnH, Fonts().Normal);
        if (!First)
            First = Btn;
        X += BtnW + Gap;
    }
    HWND Own = GetWindow(Dlg, GW_OWNER);
    ShowWindow(Dlg, SW_SHOW);
    if (First)
        SetFocus(First);
    RunModal(Dlg, Own, State.Done);
    DestroyWindow(Dlg);
    for (const TButtonInfo& B : Row)
        if (B.Id == State.Command)
            return B.Button;
    return pbNone;
}

} // namespace

SIZE GetAveCharSize(HDC Dc) {
    static const wchar_t Letters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE S{0, 0};
    GetTextExtentPoint32W(Dc, Letters, 52, &S);
    return SIZE{S.cx / 52, S.cy};
}

int PromptButtonId(TKSPromptButton B) {
    for (const TButtonInfo& I : ButtonTable)
        if (I.Button == B)
            return I.Id;
    return 0;
}

TKSPromptButton TWinPrompts::ConfirmBox(TKSPromptKind, const AnsiString& Text, TKSPromptButtons Buttons) {
    Trace("confirm", ButtonNames(Buttons) + ": " + Text);
    // The sets a message box offers; any other set gets the installer's own dialog.
    const std::pair<TKSPromptButtons, UINT> BoxTypes[] = {
        {KSButton(pbOK), MB_OK},
        {KSButtonsOKCancel, MB_OKCANCEL},
        {KSButtonsAbortRetryIgnore, MB_ABORTRETRYIGNORE},
        {KSButton(pbYes) | KSButton(pbNo), MB_YESNO},
        {KSButton(pbYes) | KSButton(pbNo) | KSButton(pbCancel), MB_YESNOCANCEL},
        {KSButton(pbRetry) | KSButton(pbCancel), MB_RETRYCANCEL},
    };
    TKSPromptButton Answer = pbNone;
    bool Shown = false;
    for (const auto& [Set, Type] : BoxTypes)
        if (Set == Buttons) {
            const int Id = ModalMessageBox(Owner(), Text, KSPromptTitle, Type | MB_ICONQUESTION);
            for (const TButtonInfo& B : ButtonTable)
                if (B.Id == Id && KSHasButton(Buttons, B.Button))
                    Answer = B.Button;
            Shown = true;
            break;
        }
    if (!Shown)
        Answer = ButtonDialog(Text, Buttons);
    Trace("answer", ButtonNames(Answer == pbNone ? 0 : KSButton(Answer)));
    return Answer;
}

bool TWinPrompts::PasswordInputQuery(const AnsiString& ACaption, const AnsiString& APrompt,
                                     AnsiString& Value) {
    Trace("password", ACaption + ": " + APrompt);
    HDC Dc = GetDC(nullptr);
    HGDIOBJ Old = SelectObject(Dc, Fonts().Normal);
    const SIZE Ave = GetAveCharSize(Dc);
    SelectObject(Dc, Old);
    ReleaseDC(nullptr, Dc);
    const TKSPasswordDialogLayout L = KSPasswordDialogLayout(Ave.cx, Ave.cy);
    // A single-line edit box is a line of text plus its border: 12/8 of the character height.
    const int EditH = KSMulDivRound(Ave.cy, 12, 8);

    TModalState State;
    HWND Dlg = CreateModal(ACaption, L.ClientWidth, L.ClientHeight, State, true);
    CreateLabel(Dlg, APrompt, L.LabelLeft, L.LabelTop, 0, 0, Fonts().Normal);
    HWND Edit =
        CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", Wide(Value).c_str(),
                        WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL | ES_PASSWORD, L.EditLeft,
                        L.EditTop, L.EditWidth, EditH, Dlg, nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(Edit, WM_SETFONT, reinterpret_cast<WPARAM>(Fonts().Normal), FALSE);
    SendMessageW(Edit, EM_LIMITTEXT, 255, 0);
    SendMessageW(Edit, EM_SETSEL, 0, -1);
    CreateButton(Dlg, IDOK, "OK", L.OKLeft, L.ButtonTop, L.ButtonWidth, L.ButtonHeight, Fonts().Normal,
                 BS_DEFPUSHBUTTON);
    CreateButton(Dlg, IDCANCEL, "Cancel", L.CancelLeft, L.ButtonTop, L.ButtonWidth, L.ButtonHeight,
                 Fonts().Normal);
    HWND Own = GetWindow(Dlg, GW_OWNER);
    ShowWindow(Dlg, SW_SHOW);
    SetFocus(Edit);
    RunModal(Dlg, Own, State.Done);
    bool Ok = State.Command == IDOK;
    if (Ok) {
        const int N = GetWindowTextLengthW(Edit);
        std::wstring T(static_cast<size_t>(N) + 1, L'\0');
        GetWindowTextW(Edit, T.data(), N + 1);
        T.resize(static_cast<size_t>(N));
        Value = Utf8(T);
    }
    DestroyWindow(Dlg);
    Trace("answer", Ok ? "OK" : "Cancel");
    return Ok;
}

} // namespace ks::win
