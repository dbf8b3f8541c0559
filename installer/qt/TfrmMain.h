// TfrmMain.h -- the installer window's Qt face (layout: resources/frmMain.ui). It owns the archive
// component Kestrel, the Linux services and the toolkit-free logic that makes its decisions.
#pragma once

#include <QWidget>
#include <memory>
#include <span>

#include "installer/core/MainLogic.h"
#include "installer/core/MainView.h"

namespace Ui {
class TfrmMain;
}

namespace ks {

class TKestrel;
namespace inst {
class TKestrelInstallArchive;
}

class TfrmMain : public QWidget, public inst::IMainView {
    Q_OBJECT
public:
    // Os may be given for tests; by default the Linux services are used.
    explicit TfrmMain(std::span<const uint8_t> Payload, std::unique_ptr<inst::IOsServices> Os = nullptr,
                      QWidget* Parent = nullptr);
    ~TfrmMain() override;

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

    void btnRunClick();
    void btnExitClick();
    void btnUjMappaClick();

    std::unique_ptr<Ui::TfrmMain> ui;
    TKestrel* Kestrel = nullptr; // owned through the component model (deleted with FOwnerRoot)
    inst::TMainLogic& Logic() { return *FLogic; }

private:
    // Applies the component settings stored with the layout ("Kestrel.<property>").
    void ApplyStoredKestrelSettings();

    std::unique_ptr<inst::IOsServices> FOs;
    std::unique_ptr<TKestrel> FKestrel;
    std::unique_ptr<inst::TKestrelInstallArchive> FArchive;
    std::unique_ptr<inst::TMainLogic> FLogic;
};

extern TfrmMain* frmMain;

} // namespace ks
