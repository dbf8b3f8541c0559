// WinFrmMain.h -- the installer window's Win32 face: client 601 x 334 with the nested panels of
// the layout, the drive combo box and directory list box, and the archive component Kestrel. It
// owns the Windows services and the toolkit-free logic that makes its decisions.
#pragma once

#include "installer/win32/WinApi.h"
#include <memory>
#include <span>

#include "installer/core/MainLogic.h"
#include "installer/core/MainView.h"

namespace ks {
class TKestrel;
namespace inst {
class TKestrelInstallArchive;
}
} // namespace ks

namespace ks::win {

class TWinDirectoryListBox;
class TWinDriveComboBox;
class TWinOsServices;

// Control identifiers (WM_COMMAND).
inline constexpr int IdRun = 101, IdExit = 102, IdUjMappa = 103, IdDrive = 104, IdDir = 105, IdShortcut = 106;

class TWinFrmMain : public inst::IMainView {
public:
    // Creates the window (hidden) and runs FormCreate.
    explicit TWinFrmMain(std::span<const uint8_t> Payload);
    ~TWinFrmMain() override;
    TWinFrmMain(const TWinFrmMain&) = delete;
    TWinFrmMain& operator=(const TWinFrmMain&) = delete;

    HWND Handle() const { return FWnd; }
    HWND RunButton() const { return FRun; }
    inst::TMainLogic& Logic() { return *FLogic; }

    // IMainView
    void SetLabel2Caption(const AnsiString& Text) override;
    void SetUpdatePanelVisible(bool Visible) override;
    bool UpdatePanelVisible() const override;
    void SetPathCaption(const AnsiString& Text) override;
    AnsiString PathCaption() const override;
    void SetDrive(const AnsiString& Root) override;
    AnsiString Drive() const override;
    void SetDirDrive(const AnsiString& Root) override;
    void SetDirDirectory(const AnsiString& Path) override;
    AnsiString DirDirectory() const override;
    void DirUpdate() override;
    void SetWaitVisible(bool Visible) override;
    void SetRunEnabled(bool Enabled) override;
    void SetExitEnabled(bool Enabled) override;
    void SetUjMappaEnabled(bool Enabled) override;
    bool ShortcutChecked() const override;
    void SetWindowEnabled(bool Enabled) override;
    void ProcessMessages() override;
    void ShowMessage(const AnsiString& Text) override;
    void CloseWindow() override;

private:
    static LRESULT CALLBACK WndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
    void Command(int Id, int Code);
    void btnRunClick();
    void CreateControls();
    void ApplyKestrelSettings();

    HWND FWnd = nullptr;
    HWND FPanel1 = nullptr, FPanel2 = nullptr, FPanel3 = nullptr, FPanel4 = nullptr, FUpdate = nullptr;
    HWND FLabel2 = nullptr, FLblPath = nullptr, FLblWait = nullptr;
    HWND FRun = nullptr, FExit = nullptr, FUjMappa = nullptr, FShortcut = nullptr, FImage = nullptr;
    HICON FIcon = nullptr;
    AnsiString FPathCaption; // lblPath's caption exactly as set (the control may fold line breaks)
    std::unique_ptr<TWinDriveComboBox> FDrive;
    std::unique_ptr<TWinDirectoryListBox> FDir;
    std::unique_ptr<TWinOsServices> FOs;
    std::unique_ptr<TKestrel> FKestrel;
    std::unique_ptr<inst::TKestrelInstallArchive> FArchive;
    std::unique_ptr<inst::TMainLogic> FLogic;
};

extern TWinFrmMain* frmMain;

// Identifier of the program's main icon resource.
inline constexpr int IdMainIcon = 1;

} // namespace ks::win
