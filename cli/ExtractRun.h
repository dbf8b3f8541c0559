// ExtractRun.h -- what "kestrel extract" and "kestrel test" share: the command line, the prompts,
// the progress bar, the run over every mask and the report of every item that was not sound.
#pragma once

#include <string>
#include <vector>

namespace ks::cli {

// An item failed, was skipped or was never reached.
constexpr int KSExitItemFailed = 1;

// Test: decompress and check into a sink instead of writing files (-d, --overwrite and -x are
// then not accepted).
int KSRunExtractOrTest(const std::vector<std::string>& Args, bool Test);

// The help of -p, shared by the verbs that read item data (a literal, so that it joins theirs).
#define KS_CLI_PASSWORD_HELP                                                                                 \
    "-p        the password of encrypted items (traditional ZIP encryption or AES)\n"                        \
    "Passwords are text, and an encrypted item compares bytes: the text is tried in the ANSI code\n"         \
    "page first (as a Windows program passes it; --ansi-cp chooses the page) and, when an item's\n"          \
    "check fails, once more as UTF-8 (as archives made on Linux and most AES writers store it),\n"           \
    "then asked for on a terminal; without a terminal the item is skipped and reported. ASCII\n"             \
    "passwords are the same in both. 7-Zip refuses to write ZIP entries with non-ASCII passwords.\n"

} // namespace ks::cli
