// CliCommon.h -- what the verbs share: option parsing, opening an archive for reading, printing
// names and reporting failures.
#pragma once

#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "archive/Kestrel.h"
#include "platform/KSTypes.h"

namespace ks::cli {

// A wrong command line; the message goes to standard error with the verb's synopsis.
class ECliUsage : public std::exception {
public:
    explicit ECliUsage(std::string Message) : FMessage(std::move(Message)) {}
    const char* what() const noexcept override { return FMessage.c_str(); }

private:
    std::string FMessage;
};

// Handles "--oem-cp N" and "--ansi-cp N" at Args[i] (taking the value too, i moves past it).
// Returns false when Args[i] is neither. Raises ECliUsage for a missing, malformed or unsupported
// code page.
bool KSParseCodePageOption(const std::vector<std::string>& Args, size_t& i);

// Opens the existing archive FileName (UTF-8) read-only (mode 0x40): a missing name raises native
// 12 and nothing is ever created.
void KSOpenForReading(TKestrel& Arc, const std::string& FileName);

// The name as UTF-8 for one output line: control characters (U+0000..U+001F, U+007F) become
// "\xNN", so a hostile name can neither break the one-line-per-item layout nor send terminal
// control sequences.
std::string KSPrintableName(const TKSString& Name);
// The same, appended to Out (no temporary string: the listing of large archives runs through it).
void KSAppendPrintableName(std::string& Out, const TKSString& Name);

// Reports the exception in flight (inside a catch block) on standard error: the engine's composed
// message as it is, a usage error with Synopsis. Returns KSExitFailure.
int KSReportFailure(std::string_view Synopsis);

} // namespace ks::cli
