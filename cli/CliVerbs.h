// CliVerbs.h -- the verbs of the kestrel tool and how they register with the dispatcher.
//
// Each verb lives in a file of its own and registers itself with a static TCliVerbRegistration,
// so main.cpp never changes when a verb is added:
//
//     static const TCliVerbRegistration Reg{{"list", 10, "list ARCHIVE [-v]", "...", &RunList}};
#pragma once

#include <string>
#include <vector>

namespace ks::cli {

// Exit status of every verb.
constexpr int KSExitOK = 0;
constexpr int KSExitFailure = 2; // the archive cannot be opened, or the command line is wrong

struct TCliVerb {
    const char* Name;     // as typed: "list"
    int Order;            // position in the help text (lower first)
    const char* Synopsis; // "list ARCHIVE [-v] [--oem-cp N] [--ansi-cp N]"
    const char* Help;     // the verb's description and options, lines indented by the help printer
    // Runs the verb with the arguments after its name; returns the exit status.
    int (*Run)(const std::vector<std::string>& Args);
};

// Every registered verb, by Order.
std::vector<const TCliVerb*> KSCliVerbs();
const TCliVerb* KSFindCliVerb(const std::string& Name);

struct TCliVerbRegistration {
    explicit TCliVerbRegistration(const TCliVerb& Verb);
};

} // namespace ks::cli
