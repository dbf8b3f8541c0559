#include "installer/win32/WinFrmMain.h"

#include <exception>

#include "archive/KSProperties.h"
#include "archive/Kestrel.h"
#include "installer/core/InstallerTexts.h"
#include "installer/core/KestrelInstallArchive.h"
#include "installer/win32/WinDirectoryListBox.h"
#include "installer/win32/WinDriveComboBox.h"
#include "installer/win32/WinFrmUjMappa.h"
#include "installer/win32/WinOsServices.h"
#include "installer/win32/WinTrace.h"
#include "installer/win32/WinUi.h"

namespace ks::win {

TWinFrmMain* frmMain = nullptr;

namespace {

const wchar_t* const ClassName = L"TfrmMain";
const wchar_t* const SelfProp = L"KSFrmMain";
constexpr int ClientW = 601, ClientH = 334, Border = 2;

// The component settings stored with the window's layout.
const char* const KestrelSettings[][2] = {
    {"ExtractCorruptedFiles", "False"},
    {"CompressionLevel", "clFastest"},
    {"CompressionMode", "1"},
    {"SpanningMode", "smNone"},
    {"SpanningOptions.AdvancedNaming", "False"},
    {"SpanningOptions.VolumeSize", "vsAutoDetect"},
    {"Options.ShareMode", "smShareCompat"},
    {"Options.FlushBuffers", "True"},
    {"Options.OEMFileNames", "True"},
    {"InMemory", "False"},
    {"Zip64Mode", "zmDisabled"},
    {"UnicodeFilenames", "True"},
    {"EncryptionMethod", "caPkzipClassic"},
    {"CurrentVersion", "5.01 "},
};

} // namespace

TWinFrmMain::TWinFrmMain(std::span<const uint8_t> Payload) : FOs(std::make_unique<TWinOsServices>()) {
    HINSTANCE Inst = GetModuleHandleW(nullptr);
    FIcon = static_cast<HICON>(LoadImageW(Inst, MAKEINTRESOURCEW(IdMainIcon), IMAGE_ICON, 32, 32, 0));
    RegisterWindowClass(ClassName, WndProc, FIcon);
    // Fixed single border, a caption of two blanks, no system menu and no caption buttons.
    const DWORD Style = WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN;
    const DWORD Ex = WS_EX_CONTROLPARENT | WS_EX_APPWINDOW;
    const RECT R = CentredWindowRect(ClientW, ClientH, Style, Ex);
    FWnd = CreateWindowExW(Ex, ClassName, L"  ", Style, R.left, R.top, R.right - R.left, R.bottom - R.top,
                           nullptr, nullptr, Inst, nullptr);
    SetPropW(FWnd, SelfProp, this);
    SetBackColor(FWnd, clText);
    SetMainWindow(FWnd);
    FOs->SetOwnerWindow(FWnd);
    CreateControls();

    FKestrel = std::make_unique<TKestrel>(nullptr);
    FKestrel->SetName("Kestrel");
    ApplyKestrelSettings();
    FArchive = std::make_unique<inst::TKestrelInstallArchive>(*FKestrel);
    FLogic = std::make_unique<inst::TMainLogic>(
        *this, *FOs, *FArchive, Payload, [this](const AnsiString& P) { return ShowUjMappa(P, FWnd, *FOs); });
    FLogic->FormCreate();
    Trace("mode", UpdatePanelVisible() ? "update " + PathCaption() : "folder-choice " + DirDirectory());
}

TWinFrmMain::~TWinFrmMain() {
    FLogic.reset();
    FArchive.reset();
    FKestrel.reset();
    if (FWnd && IsWindow(FWnd)) {
        RemovePropW(FWnd, SelfProp);
        DestroyWindow(FWnd);
    }
    if (MainWindow() == FWnd)
        SetMainWindow(nullptr);
}

void TWinFrmMain::ApplyKestrelSettings() {
    for (const auto& S : KestrelSettings)
        KSSetPropertyByName(*FKestrel, S[0], S[1]);
}

void TWinFrmMain::CreateControls() {
    const TWinFonts& F = Fonts();
    FPanel1 = CreatePanel(FWnd, Border, Border, ClientW - 2 * Border, ClientH - 2 * Border, clPanel1);
    const int W = ClientW - 2 * Border, H = ClientH - 2 * Border;
    constexpr int TopH = 37, BottomH = 58;
    // Panel1's children in tab order: Panel2, Panel3, Panel4, pnlUpdate.
    FPanel2 = CreatePanel(FPanel1, 0, H - BottomH, W, BottomH, clBand);
    FLblWait = CreateLabel(FPanel2, "Kérem várjon...", 8, 19, 0, 0, F.Bold12, SS_LEFT, false);
    FRun = CreateColouredButton(FPanel2, IdRun, "Telepítés indítása", 325, 14, 163, 33, F.Bold12);
    FExit = CreateColouredButton(FPanel2, IdExit, "Kilépés", 493, 14, 99, 33, F.Bold12);
    // Ticked and hidden: the user never sees or changes it.
    FShortcut = CreateWindowExW(0, L"BUTTON", Wide("Ikon létrehozása az asztalon").c_str(),
                                WS_CHILD | WS_TABSTOP | BS_AUTOCHECKBOX, 16, 3, 305, 17, FPanel2,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(IdShortcut)),
                                GetModuleHandleW(nullptr), nullptr);
    SendMessageW(FShortcut, WM_SETFONT, reinterpret_cast<WPARAM>(F.Bold), FALSE);
    SendMessageW(FShortcut, BM_SETCHECK, BST_CHECKED, 0);
    SetBackColor(FShortcut, clCheckBox);

    FPanel3 = CreatePanel(FPanel1, 0, 0, W, TopH, clBand);
    FLabel2 = CreateLabel(FPanel3, "", 40, 2, 0, 0, F.Bold12);
    CreateLabel(FPanel3, "Telepítő", 56, 21, 0, 0, F.Bold);
    FImage = CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE | SS_ICON | SS_REALSIZEIMAGE, 6, 3,
                             32, 32, FPanel3, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (FIcon)
        SendMessageW(FImage, STM_SETICON, reinterpret_cast<WPARAM>(FIcon), 0);

    FPanel4 = CreatePanel(FPanel1, 0, TopH, W, H - TopH - BottomH, clPage);
    CreateLabel(FPanel4, "Válassza ki, hová települjön a program", 8, 9, 0, 0, F.Bold);
    FUjMappa = CreateColouredButton(FPanel4, IdUjMappa, "Új mappa", 408, 209, 185, 22, F.Normal);
    FDrive = std::make_unique<TWinDriveComboBox>(FPanel4, IdDrive, 240, 6, 209, 19);
    FDir = std::make_unique<TWinDirectoryListBox>(FPanel4, IdDir, 8, 30, 585, 177);

    FUpdate = CreatePanel(FPanel1, 0, TopH, W, H - TopH - BottomH, clPage, false);
    CreateLabel(
        FUpdate,
        "Az Ön számítógépén telepítve van a kitöltőprogram korábbi verziója. Az új verzió telepítése "
        "automatikusan lecseréli a régi verziót.\r\n\r\nA korábbi verzióval kitöltött adatlapok megmaradnak.",
        16, 32, 569, 57, F.Bold, SS_CENTER);
    CreateLabel(FUpdate, "A telepítés helye:", 16, 136, 569, 17, F.Bold, SS_CENTER);
    FLblPath = CreateLabel(FUpdate, "", 16, 152, 569, 81, F.Bold12, SS_CENTER);
    CreatePanel(FUpdate, 8, 109, 585, 2, clText); // the rule Panel5
}

LRESULT CALLBACK TWinFrmMain::WndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    auto* Self = static_cast<TWinFrmMain*>(GetPropW(Wnd, SelfProp));
    switch (Msg) {
    case WM_ERASEBKGND:
        return EraseBackground(Wnd, reinterpret_cast<HDC>(WParam), clText);
    case WM_COMMAND:
        if (Self)
            Self->Command(LOWORD(WParam), HIWORD(WParam));
        return 0;
    case WM_CLOSE:
        // Only btnExit and the end of a run close the window (there is no close box); Alt+F4
        // while a run works must not end the program under it.
        if (IsWindowEnabled(Wnd))
            DestroyWindow(Wnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(Wnd, Msg, WParam, LParam);
}

void TWinFrmMain::Command(int Id, int Code) {
    switch (Id) {
    case IdRun:
        if (Code == BN_CLICKED)
            btnRunClick();
        break;
    case IdExit:
        if (Code == BN_CLICKED)
            FLogic->btnExitClick();
        break;
    case IdUjMappa:
        if (Code == BN_CLICKED)
            FLogic->btnUjMappaClick();
        break;
    case IdDrive:
        if (Code == CBN_SELCHANGE)
            FDir->SetDrive(FDrive->Drive());
        break;
    case IdDir:
        FDir->Notify(Code);
        break;
    }
}

void TWinFrmMain::btnRunClick() {
    try {
        FLogic->btnRunClick();
    } catch (const std::exception& E) {
        // The application's error box: the error's own text.
        Trace("error", E.what());
        ModalMessageBox(FWnd, E.what(), txt::AppTitle, MB_OK | MB_ICONERROR);
    }
}

void TWinFrmMain::SetLabel2Caption(const AnsiString& Text) {
    SetLabelText(FLabel2, Text, true);
}
void TWinFrmMain::SetUpdatePanelVisible(bool Visible) {
    ShowWindow(FUpdate, Visible ? SW_SHOW : SW_HIDE);
    // The folder chooser under the update page cannot be reached, not even with the keyboard.
    ShowWindow(FPanel4, Visible ? SW_HIDE : SW_SHOW);
}
bool TWinFrmMain::UpdatePanelVisible() const {
    return (GetWindowLongPtrW(FUpdate, GWL_STYLE) & WS_VISIBLE) != 0;
}
void TWinFrmMain::SetPathCaption(const AnsiString& Text) {
    FPathCaption = Text;
    SetLabelText(FLblPath, Text, false);
}
AnsiString TWinFrmMain::PathCaption() const {
    return FPathCaption;
}
void TWinFrmMain::SetDrive(const AnsiString& Root) {
    FDrive->SetDrive(Root);
    FDir->SetDrive(FDrive->Drive()); // the combo box is linked to the list
}
AnsiString TWinFrmMain::Drive() const {
    return FDrive->Drive();
}
void TWinFrmMain::SetDirDrive(const AnsiString& Root) {
    FDir->SetDrive(Root);
}
void TWinFrmMain::SetDirDirectory(const AnsiString& Path) {
    FDir->SetDirectory(Path);
}
AnsiString TWinFrmMain::DirDirectory() const {
    return FDir->Directory();
}
void TWinFrmMain::DirUpdate() {
    FDir->Update();
}
void TWinFrmMain::SetWaitVisible(bool Visible) {
    ShowWindow(FLblWait, Visible ? SW_SHOW : SW_HIDE);
}
void TWinFrmMain::SetRunEnabled(bool Enabled) {
    EnableWindow(FRun, Enabled);
}
void TWinFrmMain::SetExitEnabled(bool Enabled) {
    EnableWindow(FExit, Enabled);
}
void TWinFrmMain::SetUjMappaEnabled(bool Enabled) {
    EnableWindow(FUjMappa, Enabled);
}
bool TWinFrmMain::ShortcutChecked() const {
    return SendMessageW(FShortcut, BM_GETCHECK, 0, 0) == BST_CHECKED;
}
void TWinFrmMain::SetWindowEnabled(bool Enabled) {
    EnableWindow(FWnd, Enabled);
}
void TWinFrmMain::ProcessMessages() {
    UpdateWindow(FWnd);
    PumpMessages();
}
void TWinFrmMain::ShowMessage(const AnsiString& Text) {
    Trace("message", Text);
    ModalMessageBox(FWnd, Text, txt::AppTitle, MB_OK);
}
void TWinFrmMain::CloseWindow() {
    // Posted: the run that asks for it is still inside the window's own message handling.
    PostMessageW(FWnd, WM_CLOSE, 0, 0);
}

} // namespace ks::win
