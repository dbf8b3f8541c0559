// KSConsole.cpp -- terminal services on POSIX.
#include "platform/KSConsole.h"

#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>

namespace ks {

bool KSStdinIsTerminal() {
    return isatty(STDIN_FILENO) == 1;
}

bool KSStderrIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}

int KSStderrColumns() {
    winsize ws{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0)
        return ws.ws_col;
    return 80;
}

void KSWriteText(std::FILE* Stream, std::string_view Utf8Text) {
    std::fwrite(Utf8Text.data(), 1, Utf8Text.size(), Stream);
}

bool KSReadConsoleLine(std::string& Line, bool Echo) {
    termios saved{};
    const bool restore = !Echo && isatty(STDIN_FILENO) == 1 && tcgetattr(STDIN_FILENO, &saved) == 0;
    if (restore) {
        termios quiet = saved;
        quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
        quiet.c_lflag |= ECHONL;
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
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
    if (restore)
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    return any;
}

} // namespace ks
