// ferrovan-setup.exe -- the installer program on Windows: the installer window with the payload
// from the executable's own RCDATA resource 1, a hidden new-folder dialog, then the message loop
// until the window closes.
#include "installer/win32/WinApi.h"

#include <objbase.h>

#include "installer/win32/WinAutopilot.h"
#include "installer/win32/WinFrmMain.h"
#include "installer/win32/WinFrmUjMappa.h"
#include "installer/win32/WinPayload.h"
#include "installer/win32/WinPrompts.h"
#include "installer/win32/WinUi.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // The shell link object is an apartment-threaded COM object.
    const HRESULT Com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

    ks::win::TWinPrompts Prompts;
    ks::KSSetPrompts(&Prompts);
    int Rc = 0;
    {
        ks::win::TWinFrmMain Main(ks::win::PayloadResource());
        ks::win::frmMain = &Main;
        ks::win::frmUjMappa = new ks::win::TWinFrmUjMappa(Main.Handle()); // stays hidden
        ShowWindow(Main.Handle(), SW_SHOW);
        UpdateWindow(Main.Handle());
        ks::win::StartAutopilot(Main);
        MSG M;
        while (GetMessageW(&M, nullptr, 0, 0) > 0) {
            if (IsDialogMessageW(Main.Handle(), &M))
                continue;
            TranslateMessage(&M);
            DispatchMessageW(&M);
        }
        Rc = static_cast<int>(M.wParam);
        delete ks::win::frmUjMappa;
        ks::win::frmUjMappa = nullptr;
        ks::win::frmMain = nullptr;
    }
    ks::KSSetPrompts(nullptr);
    if (SUCCEEDED(Com))
        CoUninitialize();
    return Rc;
}
