// CliWinMain.cpp -- the kestrel tool's entry point on Windows.
//
// The arguments are taken from the wide (UTF-16) command line, so archive names, masks, folders
// and passwords outside the ANSI code page arrive intact; the tool works on them as UTF-8, as on
// POSIX. Everything it prints is UTF-8: files and pipes get those bytes as they are, and a
// console is switched to the UTF-8 output code page while the tool runs (and set back when it
// ends), so the console shows the characters rather than their bytes in the OEM code page.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "cli/CliMain.h"

namespace {

std::string Utf8(const wchar_t* W) {
    const int Len = static_cast<int>(wcslen(W));
    if (Len == 0)
        return {};
    const int Need = WideCharToMultiByte(CP_UTF8, 0, W, Len, nullptr, 0, nullptr, nullptr);
    std::string S(static_cast<size_t>(Need > 0 ? Need : 0), '\0');
    if (Need > 0)
        WideCharToMultiByte(CP_UTF8, 0, W, Len, S.data(), Need, nullptr, nullptr);
    return S;
}

bool IsConsole(DWORD Which) {
    const HANDLE H = GetStdHandle(Which);
    DWORD Mode = 0;
    return H != nullptr && H != INVALID_HANDLE_VALUE && GetFileType(H) == FILE_TYPE_CHAR &&
           GetConsoleMode(H, &Mode);
}

UINT SavedOutputCP = 0;

void RestoreConsoleOutput() {
    if (SavedOutputCP != 0)
        SetConsoleOutputCP(SavedOutputCP);
    SavedOutputCP = 0;
}

BOOL WINAPI RestoreOnBreak(DWORD) {
    RestoreConsoleOutput();
    return FALSE; // the default handler still ends the process
}

void UseUtf8ConsoleOutput() {
    if (!IsConsole(STD_OUTPUT_HANDLE) && !IsConsole(STD_ERROR_HANDLE))
        return;
    const UINT Current = GetConsoleOutputCP();
    if (Current == CP_UTF8 || !SetConsoleOutputCP(CP_UTF8))
        return;
    SavedOutputCP = Current;
    std::atexit(RestoreConsoleOutput);
    SetConsoleCtrlHandler(RestoreOnBreak, TRUE);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    UseUtf8ConsoleOutput();
    std::vector<std::string> Args;
    for (int i = 1; i < argc; ++i)
        Args.push_back(Utf8(argv[i]));
    const int Status = ks::cli::KSCliMain(std::move(Args));
    RestoreConsoleOutput();
    return Status;
}
