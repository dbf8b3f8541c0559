// CliWinMain.cpp -- the kestrel tool's entry point on Windows.
//
// The arguments are taken from the wide (UTF-16) command line, so archive names, masks, folders
// and passwords outside the ANSI code page arrive intact; the tool works on them as UTF-8, as on
// POSIX. Everything it prints is UTF-8: files and pipes get those bytes as they are, and a
// console gets the characters themselves (KSWriteText), so it shows every name whatever its code
// page, which the tool leaves as it is.
#include <windows.h>

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

} // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> Args;
    for (int i = 1; i < argc; ++i)
        Args.push_back(Utf8(argv[i]));
    return ks::cli::KSCliMain(std::move(Args));
}
