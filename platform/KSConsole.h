// KSConsole.h -- the few terminal services a command-line front end needs: is a standard stream a
// terminal, how wide is it, writing text to it, and reading a line with or without echo.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#if defined(__GNUC__) && defined(_WIN32)
#define KS_PRINTF_FORMAT(Fmt, Args) __attribute__((format(gnu_printf, Fmt, Args)))
#elif defined(__GNUC__)
#define KS_PRINTF_FORMAT(Fmt, Args) __attribute__((format(printf, Fmt, Args)))
#else
#define KS_PRINTF_FORMAT(Fmt, Args)
#endif

namespace ks {

// Whether standard input / standard error is an interactive terminal.
bool KSStdinIsTerminal();
bool KSStderrIsTerminal();

// Columns of the terminal behind standard error; 80 when it cannot be told.
int KSStderrColumns();

// Writes UTF-8 text to a standard stream (stdout or stderr). A Windows console is given the
// characters themselves (UTF-16), so that every name shows as it is whatever the console's code
// page, and "\033[K" clears to the end of the line there too; everywhere else, files and pipes
// included, the bytes go out unchanged. Output written earlier through the stream comes first.
void KSWriteText(std::FILE* Stream, std::string_view Utf8Text);
// printf-style formatting into KSWriteText.
void KSPrintf(std::FILE* Stream, const char* Format, ...) KS_PRINTF_FORMAT(2, 3);

// Reads one line from standard input (without its line end). With Echo false and standard input a
// terminal, the typed characters are not shown; the terminal's settings are restored afterwards.
// False at the end of input.
bool KSReadConsoleLine(std::string& Line, bool Echo);

} // namespace ks
