// KSWinConsole.cpp -- terminal services on Windows consoles.
#include <windows.h>

#include <cstdio>

#include "platform/KSConsole.h"

namespace ks {

namespace {
bool IsConsole(DWORD Which) {
    HANDLE h = GetStdHandle(Which);
    DWORD mode = 0;
    return h != INVALID_HANDLE_VALUE && GetFileType(h) == FILE_TYPE_CHAR && GetConsoleMode(h, &mode);
}
} // namespace

bool KSStdinIsTerminal() {
    return IsConsole(STD_INPUT_HANDLE);
}

bool KSStderrIsTerminal() {
    return IsConsole(STD_ERROR_HANDLE);
}

int KSStderrColumns() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info))
        return info.srWindow.Right - info.srWindow.Left + 1;
    return 80;
}

bool KSReadConsoleLine(std::string& Line, bool Echo) {
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    DWORD saved = 0;
    const bool restore = !Echo && IsConsole(STD_INPUT_HANDLE) && GetConsoleMode(in, &saved);
    if (restore)
        SetConsoleMode(in, saved & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
    Line.clear();
    bool any = false;
    for (;;) {
        const int c = std::fgetc(stdin);
        if (c == EOF)
            break;
        any = true;
        if (c == '\n')
            break;
        Line += static_cast<char>(c);
    }
    if (!Line.empty() && Line.back() == '\r')
        Line.pop_back();
    if (restore) {
        SetConsoleMode(in, saved);
        std::fputc('\n', stderr);
    }
    return any;
}

} // namespace ks
