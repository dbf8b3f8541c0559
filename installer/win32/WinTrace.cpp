#include "installer/win32/WinTrace.h"

#include "installer/win32/WinApi.h"

#include "installer/win32/WinUi.h"

namespace ks::win {

void Trace(const AnsiString& Kind, const AnsiString& Text) {
    wchar_t Path[MAX_PATH + 1];
    const DWORD N = GetEnvironmentVariableW(L"KS_SETUP_TRACE", Path, MAX_PATH + 1);
    if (N == 0 || N > MAX_PATH)
        return;
    AnsiString Line = Kind + ": ";
    for (char C : Text) {
        if (C == '\r')
            Line += "\\r";
        else if (C == '\n')
            Line += "\\n";
        else
            Line += C;
    }
    Line += '\n';
    HANDLE F = CreateFileW(Path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (F == INVALID_HANDLE_VALUE)
        return;
    DWORD Written = 0;
    WriteFile(F, Line.data(), static_cast<DWORD>(Line.size()), &Written, nullptr);
    CloseHandle(F);
}

} // namespace ks::win
