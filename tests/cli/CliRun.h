// CliRun.h -- runs the built kestrel binary and captures what it did.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/KSStrings.h"
#include "tests/support/ZipWriter.h"

namespace ks::test {

struct CliResult {
    int Status = -1;
    std::string Out, Err;
};

inline std::string ShellQuote(const std::string& S) {
    std::string Q = "'";
    for (char C : S)
        Q += C == '\'' ? std::string("'\\''") : std::string(1, C);
    return Q + "'";
}

inline std::string Slurp(const std::filesystem::path& P) {
    std::ifstream In(P, std::ios::binary);
    std::ostringstream S;
    S << In.rdbuf();
    return S.str();
}

// Runs `kestrel Args...` through the shell with standard output and error captured in files
// and the exit status written by the shell itself, so no process API is needed here.
#ifdef _WIN32
// cmd.exe: arguments in double quotes, and one more pair around the whole line, which it strips;
// _wsystem returns the program's exit status itself. The line goes over as UTF-16 (the checks'
// UTF-8 text converted), as a console user's typing would, so names outside the ANSI code page
// reach the tool intact.
inline std::wstring CmdQuote(const std::string& S) {
    const TKSString W = Utf8ToWide(S);
    return L"\"" + std::wstring(W.begin(), W.end()) + L"\"";
}

inline CliResult RunKestrel(const std::vector<std::string>& Args) {
    TempDir Capture;
    const auto Out = Capture.Path() / "out", Err = Capture.Path() / "err";
    std::wstring Cmd = CmdQuote(KS_KESTREL_BIN);
    for (const std::string& A : Args)
        Cmd += L" " + CmdQuote(A);
    Cmd += L" >\"" + Out.wstring() + L"\" 2>\"" + Err.wstring() + L"\" <NUL";
    CliResult R;
    R.Status = _wsystem((L"\"" + Cmd + L"\"").c_str());
    // Text-mode output ends lines with CR LF on Windows; the checks compare lines.
    R.Out = Slurp(Out);
    R.Err = Slurp(Err);
    std::erase(R.Out, '\r');
    std::erase(R.Err, '\r');
    return R;
}
#else
inline CliResult RunKestrel(const std::vector<std::string>& Args) {
    TempDir Capture;
    const auto Out = Capture.Path() / "out", Err = Capture.Path() / "err", Rc = Capture.Path() / "rc";
    std::string Cmd = ShellQuote(KS_KESTREL_BIN);
    for (const std::string& A : Args)
        Cmd += " " + ShellQuote(A);
    Cmd += " >" + ShellQuote(Out.string()) + " 2>" + ShellQuote(Err.string()) + " </dev/null; echo $? >" +
           ShellQuote(Rc.string());
    CliResult R;
    if (std::system(Cmd.c_str()) != 0)
        return R;
    R.Out = Slurp(Out);
    R.Err = Slurp(Err);
    R.Status = std::atoi(Slurp(Rc).c_str());
    return R;
}
#endif

// Every regular file below Root: its name relative to Root (UTF-8, "/" separators) and contents,
// sorted by name.
inline std::vector<std::pair<std::string, std::string>> Tree(const std::filesystem::path& Root) {
    std::vector<std::pair<std::string, std::string>> T;
    for (const auto& E : std::filesystem::recursive_directory_iterator(Root))
        if (E.is_regular_file()) {
            const std::u8string Name = std::filesystem::relative(E.path(), Root).generic_u8string();
            T.emplace_back(std::string(Name.begin(), Name.end()), Slurp(E.path()));
        }
    std::sort(T.begin(), T.end());
    return T;
}

#ifdef _WIN32
// Info-ZIP's zip and unzip are Linux programs, which a Windows test cannot start: what they make
// of the fixtures is made on the build machine before the tests (make_peer_references.sh).
inline const std::filesystem::path PeerReferences = KS_PEER_REFERENCES;
#endif

inline std::vector<std::string> Lines(const std::string& Text) {
    std::vector<std::string> L;
    std::istringstream In(Text);
    for (std::string Line; std::getline(In, Line);)
        L.push_back(Line);
    return L;
}

} // namespace ks::test
