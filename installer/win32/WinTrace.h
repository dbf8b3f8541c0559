// WinTrace.h -- a test-only record of what the installer showed and what the system answered.
//
// When the environment variable KS_SETUP_TRACE names a file, every message box, confirmation,
// font registration result and launch is appended to it as one UTF-8 line ("kind: text", line
// breaks written as \r and \n), so that an end-to-end test can check them. Without the variable
// nothing is written.
#pragma once

#include "platform/KSTypes.h"

namespace ks::win {

void Trace(const AnsiString& Kind, const AnsiString& Text);

} // namespace ks::win
