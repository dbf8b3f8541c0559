// WinAutopilot.h -- a test-only driver that lets an end-to-end run under a virtual display press
// the installer's buttons and answer its boxes through the real window messages.
//
// KS_SETUP_AUTOPILOT holds steps separated by ';', done one after another from a thread timer
// (so they also run while a message box or modal dialog has its own loop):
//   signal=FILE   create FILE (empty)          await=FILE   wait until FILE exists
//   click=run     click "Telepítés indítása"  click=exit   click "Kilépés"
//   answer=NAME   wait for a box or dialog of the installer to be open and press its button NAME
//                 (ok, cancel, abort, retry, ignore, yes, no)
// Without the variable nothing happens.
#pragma once

#include "installer/win32/WinApi.h"

namespace ks::win {

class TWinFrmMain;

// Starts the driver for the window when KS_SETUP_AUTOPILOT is set.
void StartAutopilot(TWinFrmMain& Main);

} // namespace ks::win
