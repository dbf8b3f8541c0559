// WinFrmUjMappa.h -- the new-folder dialog's Win32 face: client 404 x 92, the edit box filtered
// by the toolkit-free key rule, "Létrehoz" closing with OK and "Mégsem" with Cancel.
#pragma once

#include "installer/win32/WinApi.h"

#include "installer/core/UjMappa.h"

namespace ks::win {

class TWinFrmUjMappa : public inst::IUjMappaView {
public:
    // Owner: the window the dialog is modal to (may be null).
    explicit TWinFrmUjMappa(HWND Owner);
    ~TWinFrmUjMappa() override;
    TWinFrmUjMappa(const TWinFrmUjMappa&) = delete;
    TWinFrmUjMappa& operator=(const TWinFrmUjMappa&) = delete;

    void SetText(const AnsiString& Text) override;
    AnsiString Text() const override;
    void SetCreateEnabled(bool Enabled) override;
    bool CreateEnabled() const override;
    void ClickCreate() override;
    void ClickCancel() override;
    inst::TModalResult ShowModal() override;

    HWND Handle() const { return FWnd; }
    HWND Edit() const { return FEdit; }

private:
    static LRESULT CALLBACK WndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
    static LRESULT CALLBACK EditProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);

    HWND FOwner;
    HWND FWnd = nullptr;
    HWND FEdit = nullptr;
    HWND FCreate = nullptr;
    HWND FCancel = nullptr;
    WNDPROC FEditDefault = nullptr;
    inst::TModalResult FResult = inst::TModalResult::None;
    bool FDone = false;
};

// The dialog instance made last (at start-up, or by ShowUjMappa, which releases the one before).
extern TWinFrmUjMappa* frmUjMappa;

// Shows a fresh dialog for the parent folder aPath and returns the created folder or "".
AnsiString ShowUjMappa(const AnsiString& aPath, HWND Owner, inst::IOsServices& Os);

} // namespace ks::win
