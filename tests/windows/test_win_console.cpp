// Text on a Windows console: written as characters, read back from the screen buffer. The cases
// need a console, which a test run with pipes does not have; console_pty.sh runs them on one
// (Wine on a pseudo-terminal), and they are skipped elsewhere.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "platform/KSConsole.h"
#include "platform/win32/KSWinInternal.h"

namespace ks {
namespace {

HANDLE ConsoleOutput() {
    HANDLE H = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    CONSOLE_SCREEN_BUFFER_INFO Info{};
    if (H != INVALID_HANDLE_VALUE && GetConsoleScreenBufferInfo(H, &Info))
        return H;
    if (H != INVALID_HANDLE_VALUE)
        CloseHandle(H);
    return nullptr;
}

// The characters of row Y, without the blanks that fill it up.
std::wstring Row(HANDLE Console, SHORT Y) {
    CONSOLE_SCREEN_BUFFER_INFO Info{};
    GetConsoleScreenBufferInfo(Console, &Info);
    std::wstring Cells(static_cast<size_t>(Info.dwSize.X), L' ');
    DWORD Got = 0;
    ReadConsoleOutputCharacterW(Console, Cells.data(), static_cast<DWORD>(Cells.size()), COORD{0, Y}, &Got);
    Cells.resize(Got);
    while (!Cells.empty() && Cells.back() == L' ')
        Cells.pop_back();
    return Cells;
}

// Moves to the start of a fresh line and returns its row.
SHORT FreshRow(HANDLE Console) {
    std::string Pending;
    win::WriteConsoleText(Console, Pending, "\r\n");
    CONSOLE_SCREEN_BUFFER_INFO Info{};
    GetConsoleScreenBufferInfo(Console, &Info);
    return Info.dwCursorPosition.Y;
}

struct TConsoleCase {
    const char* Name;
    std::vector<std::string> Pieces; // one write each
    std::wstring Shown;              // the row afterwards
};

void PrintTo(const TConsoleCase& C, std::ostream* Os) {
    *Os << C.Name;
}

// Every byte of a text as a write of its own: each character but the ASCII ones is cut.
std::vector<std::string> Bytes(const std::string& S) {
    std::vector<std::string> Out;
    for (char C : S)
        Out.emplace_back(1, C);
    return Out;
}

class ConsoleText : public ::testing::TestWithParam<TConsoleCase> {
protected:
    void SetUp() override {
        Console = ConsoleOutput();
        if (!Console)
            GTEST_SKIP() << "no console";
    }
    void TearDown() override {
        if (Console)
            CloseHandle(Console);
    }
    HANDLE Console = nullptr;
};

TEST_P(ConsoleText, ShowsTheCharacters) {
    const TConsoleCase& C = GetParam();
    const SHORT Y = FreshRow(Console);
    std::string Pending;
    for (const std::string& P : C.Pieces)
        ASSERT_TRUE(win::WriteConsoleText(Console, Pending, P));
    EXPECT_TRUE(Pending.empty());
    EXPECT_EQ(Row(Console, Y), C.Shown);
}

const std::string Hungarian =
    "\xC3\x81rv\xC3\xADzt\xC5\xB1r\xC5\x91 t\xC3\xBCk\xC3\xB6rf\xC3\xBAr\xC3\xB3g\xC3\xA9p";
const std::wstring HungarianW = L"\u00C1rv\u00EDzt\u0171r\u0151 t\u00FCk\u00F6rf\u00FAr\u00F3g\u00E9p";

INSTANTIATE_TEST_SUITE_P(
    Writes, ConsoleText,
    ::testing::Values(
        TConsoleCase{"whole_text", {Hungarian + " \xE6\x97\xA5\xE6\x9C\xAC"}, HungarianW + L" \u65E5\u672C"},
        TConsoleCase{"characters_cut_between_writes", Bytes(Hungarian + " \xE6\x97\xA5\xE6\x9C\xAC"),
                     HungarianW + L" \u65E5\u672C"},
        TConsoleCase{"clear_to_the_end_of_the_line", {"abcdefgh\r", "xy\x1B[K"}, L"xy"},
        TConsoleCase{"progress_line_drawn_again",
                     {"\r[####] 80% \xC3\xA1rv\xC3\xADz.txt\x1B[K", "\r[#] 5% k\x1B[K"},
                     L"[#] 5% k"}),
    [](const ::testing::TestParamInfo<TConsoleCase>& I) { return std::string(I.param.Name); });

TEST(ConsoleStandardOutput, WritesThroughTheConsole) {
    HANDLE Console = ConsoleOutput();
    DWORD Mode = 0;
    if (!Console || !GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &Mode))
        GTEST_SKIP() << "standard output is no console";
    std::fflush(stdout);
    KSWriteText(stdout, "\r\n");
    CONSOLE_SCREEN_BUFFER_INFO Info{};
    GetConsoleScreenBufferInfo(Console, &Info);
    const SHORT Y = Info.dwCursorPosition.Y;
    KSPrintf(stdout, "%s %d", Hungarian.c_str(), 42);
    EXPECT_EQ(Row(Console, Y), HungarianW + L" 42");
    KSWriteText(stdout, "\r\n");
    CloseHandle(Console);
}

} // namespace
} // namespace ks
