// KSWinConsole.cpp -- terminal services on Windows consoles.
#include <windows.h>

#include <cstdio>
#include <iterator>
#include <mutex>
#include <string>

#include "platform/KSConsole.h"
#include "platform/win32/KSWinInternal.h"

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

namespace {

// The length of S without the bytes of a character cut at its end.
size_t WholeCharacters(std::string_view S) {
    const size_t N = S.size();
    size_t Tail = 0; // continuation bytes at the end
    while (Tail < 3 && Tail < N && (static_cast<unsigned char>(S[N - 1 - Tail]) & 0xC0) == 0x80)
        ++Tail;
    if (Tail == N)
        return N;
    const auto Lead = static_cast<unsigned char>(S[N - 1 - Tail]);
    const size_t Len = Lead >= 0xF0 ? 4 : Lead >= 0xE0 ? 3 : Lead >= 0xC0 ? 2 : 1;
    return Lead >= 0xC0 && Lead < 0xF8 && Len > Tail + 1 ? N - 1 - Tail : N;
}

bool WriteWide(HANDLE Console, const wchar_t* P, size_t N) {
    while (N > 0) {
        // Pieces of a bounded size (older consoles take no more than about 64 KiB a call), never
        // between the two halves of a surrogate pair.
        DWORD Chunk = N > 8192 ? 8192 : static_cast<DWORD>(N);
        if (Chunk < N && P[Chunk - 1] >= 0xD800 && P[Chunk - 1] <= 0xDBFF)
            --Chunk;
        DWORD Done = 0;
        if (!WriteConsoleW(Console, P, Chunk, &Done, nullptr) || Done == 0)
            return false;
        P += Done;
        N -= Done;
    }
    return true;
}

void ClearToLineEnd(HANDLE Console) {
    CONSOLE_SCREEN_BUFFER_INFO Info{};
    if (!GetConsoleScreenBufferInfo(Console, &Info) || Info.dwCursorPosition.X >= Info.dwSize.X)
        return;
    const DWORD N = static_cast<DWORD>(Info.dwSize.X - Info.dwCursorPosition.X);
    DWORD Done = 0;
    FillConsoleOutputCharacterW(Console, L' ', N, Info.dwCursorPosition, &Done);
    FillConsoleOutputAttribute(Console, Info.wAttributes, N, Info.dwCursorPosition, &Done);
}

// Where a standard stream goes, told on its first use: the handle of a console or none.
struct TConsoleOut {
    bool Known = false;
    HANDLE Console = nullptr;
    std::string Pending;
};

} // namespace

bool win::WriteConsoleText(HANDLE Console, std::string& Pending, std::string_view Text) {
    Pending.append(Text);
    const size_t Whole = WholeCharacters(Pending);
    std::wstring W;
    if (Whole > 0) {
        const int Need = MultiByteToWideChar(CP_UTF8, 0, Pending.data(), static_cast<int>(Whole), nullptr, 0);
        W.resize(static_cast<size_t>(Need > 0 ? Need : 0));
        if (Need > 0)
            MultiByteToWideChar(CP_UTF8, 0, Pending.data(), static_cast<int>(Whole), W.data(), Need);
    }
    Pending.erase(0, Whole);
    static const std::wstring_view Clear = L"\x1b[K";
    size_t Pos = 0;
    for (;;) {
        const size_t At = W.find(Clear, Pos);
        const size_t End = At == std::wstring::npos ? W.size() : At;
        if (!WriteWide(Console, W.data() + Pos, End - Pos))
            return false;
        if (At == std::wstring::npos)
            return true;
        ClearToLineEnd(Console);
        Pos = At + Clear.size();
    }
}

void KSWriteText(std::FILE* Stream, std::string_view Utf8Text) {
    static std::mutex Lock;
    static TConsoleOut Out, Err;
    std::lock_guard<std::mutex> Hold(Lock);
    TConsoleOut* C = Stream == stdout ? &Out : Stream == stderr ? &Err : nullptr;
    if (C && !C->Known) {
        const DWORD Which = Stream == stdout ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE;
        C->Console = IsConsole(Which) ? GetStdHandle(Which) : nullptr;
        C->Known = true;
    }
    if (C && C->Console) {
        std::fflush(Stream);
        if (win::WriteConsoleText(C->Console, C->Pending, Utf8Text))
            return;
        // A console that refuses the text gets this text and the rest of the run's as bytes
        // through the stream.
        C->Console = nullptr;
        C->Pending.clear();
    }
    std::fwrite(Utf8Text.data(), 1, Utf8Text.size(), Stream);
}

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
