// main.cpp -- the kestrel tool's entry point: help and dispatch to the registered verbs.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliCommon.h"
#include "cli/CliMain.h"
#include "cli/CliVerbs.h"
#include "platform/KSConsole.h"

namespace {

using namespace ks::cli;
using ks::KSPrintf;

void PrintVerbHelp(FILE* Out, const TCliVerb& V) {
    KSPrintf(Out, "  kestrel %s\n", V.Synopsis);
    // The verb's help, every line indented under its synopsis.
    std::string Line;
    for (const char* P = V.Help;; ++P) {
        if (*P == '\n' || *P == 0) {
            KSPrintf(Out, "      %s\n", Line.c_str());
            Line.clear();
            if (*P == 0)
                break;
        } else {
            Line += *P;
        }
    }
}

void PrintHelp(FILE* Out) {
    KSPrintf(Out, "Usage: kestrel VERB ARGUMENTS\n\n"
                  "Reads ZIP archives: single files, self-extracting executables and damaged archives\n"
                  "(whose directory is rebuilt from the local headers). The archive itself is opened\n"
                  "read-only: it is never created or changed.\n\n"
                  "Verbs:\n");
    for (const TCliVerb* V : KSCliVerbs()) {
        PrintVerbHelp(Out, *V);
        KSPrintf(Out, "\n");
    }
    KSPrintf(Out, "Exit status: 0 on success; 2 when the archive cannot be opened or the command line is\n"
                  "wrong, with the engine's message (ending in \"Native error: NNNNN\") on standard error.\n"
                  "Verbs that work item by item describe their other statuses above.\n"
                  "\"kestrel VERB --help\" describes one verb.\n");
}

bool IsHelp(const std::string& A) {
    return A == "--help" || A == "-h" || A == "help";
}

} // namespace

int ks::cli::KSCliMain(std::vector<std::string> Args) {
    if (Args.empty()) {
        PrintHelp(stderr);
        return KSExitFailure;
    }
    if (IsHelp(Args[0])) {
        PrintHelp(stdout);
        return KSExitOK;
    }
    const TCliVerb* Verb = KSFindCliVerb(Args[0]);
    if (!Verb) {
        KSPrintf(stderr, "kestrel: unknown verb \"%s\" (see kestrel --help)\n", Args[0].c_str());
        return KSExitFailure;
    }
    Args.erase(Args.begin());
    for (const std::string& A : Args) {
        if (A == "--")
            break; // what follows are names, not options
        if (A == "--help" || A == "-h") {
            KSPrintf(stdout, "Usage:\n");
            PrintVerbHelp(stdout, *Verb);
            return KSExitOK;
        }
    }
    try {
        return Verb->Run(Args);
    } catch (...) {
        return KSReportFailure(Verb->Synopsis);
    }
}

#ifndef _WIN32
// POSIX hands the arguments over as bytes; they are taken as UTF-8, as the terminal sends them.
// The Windows entry (win32/CliWinMain.cpp) converts the wide command line instead.
int main(int argc, char** argv) {
    return ks::cli::KSCliMain(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
