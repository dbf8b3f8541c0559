// KSConsole.h -- the few terminal services a command-line front end needs: is a standard stream a
// terminal, how wide is it, and reading a line with or without echo.
#pragma once

#include <string>

namespace ks {

// Whether standard input / standard error is an interactive terminal.
bool KSStdinIsTerminal();
bool KSStderrIsTerminal();

// Columns of the terminal behind standard error; 80 when it cannot be told.
int KSStderrColumns();

// Reads one line from standard input (without its line end). With Echo false and standard input a
// terminal, the typed characters are not shown; the terminal's settings are restored afterwards.
// False at the end of input.
bool KSReadConsoleLine(std::string& Line, bool Echo);

} // namespace ks
