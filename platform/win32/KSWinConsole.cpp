// KSWinConsole.cpp -- terminal services on Windows consoles.
#include <windows.h>

#include <cstdio>
#include <iterator>
#include <string>

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

namespace {

// A line typed on the console, read as UTF-16 and handed on as UTF-8 (the byte form of the
// console's input code page would lose every character outside it).
bool ReadWideConsoleLine(HANDLE In, std::string& Line) {
    std::wstring W;
    bool Any = false;
    for (;;) {
        wchar_t Buf[256];
        DWORD Got = 0;
        if (!ReadConsoleW(In, Buf, static_cast<DWORD>(std::size(Buf)), &Got, nullptr) || Got == 0)
            break;
        Any = true;
        W.append(Buf, Got);
        if (W.find(L'\n') != std::wstring::npos || W.find(L'\r') != std::wstring::npos)
            break;
    }
    const std::size_t End = W.find_first_of(L"\r\n");
    if (End != std::wstring::npos)
        W.resize(End);
    Line.clear();
    if (!W.empty()) {
        const int Len = static_cast<int>(W.size());
        const int Need = WideCharToMultiByte(CP_UTF8, 0, W.data(), Len, nullptr, 0, nullptr, nullptr);
        if (Need > 0) {
            Line.resize(static_cast<std::size_t>(Need));
            WideCharToMultiByte(CP_UTF8, 0, W.data(), Len, Line.data(), Need, nullptr, nullptr);
        }
    }
    return Any;
}

} // namespace

bool KSReadConsoleLine(std::string& Line, bool Echo) {
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    if (IsConsole(STD_INPUT_HANDLE)) {
        DWORD saved = 0;
        const bool restore = !Echo && GetConsoleMode(in, &saved);
        if (restore)
            SetConsoleMode(in, saved & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
        const bool any = ReadWideConsoleLine(in, Line);
        if (restore) {
            SetConsoleMode(in, saved);
            std::fputc('\n', stderr);
        }
        return any;
    }
    // A file or pipe: its bytes as they are (UTF-8 by the tool's convention).
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
    return any;
}

} // namespace ks
