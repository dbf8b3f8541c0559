// MainView.h -- the installer window as its decisions see it: controls are reached by role.
#pragma once

#include "platform/KSTypes.h"

namespace ks::inst {

class IMainView {
public:
    virtual ~IMainView() = default;

    virtual void SetLabel2Caption(const AnsiString& Text) = 0;
    // Update mode while pnlUpdate is visible; it covers the folder chooser.
    virtual void SetUpdatePanelVisible(bool Visible) = 0;
    virtual bool UpdatePanelVisible() const = 0;
    virtual void SetPathCaption(const AnsiString& Text) = 0; // lblPath
    virtual AnsiString PathCaption() const = 0;

    // Drive: the mounted file system (its root path). Choosing one re-roots Dir.
    virtual void SetDrive(const AnsiString& Root) = 0;
    virtual AnsiString Drive() const = 0;
    // Dir: the directory list, its drive and its current folder (a full path).
    virtual void SetDirDrive(const AnsiString& Root) = 0;
    virtual void SetDirDirectory(const AnsiString& Path) = 0;
    virtual AnsiString DirDirectory() const = 0;
    virtual void DirUpdate() = 0; // re-reads the file system

    virtual void SetWaitVisible(bool Visible) = 0; // lblWait
    virtual void SetRunEnabled(bool Enabled) = 0;
    virtual void SetExitEnabled(bool Enabled) = 0;
    virtual void SetUjMappaEnabled(bool Enabled) = 0;
    virtual bool ShortcutChecked() const = 0; // chkShortcut
    virtual void SetWindowEnabled(bool Enabled) = 0;
    virtual void ProcessMessages() = 0;
    // A plain message box; returns when the user closes it.
    virtual void ShowMessage(const AnsiString& Text) = 0;
    virtual void CloseWindow() = 0;
};

} // namespace ks::inst
