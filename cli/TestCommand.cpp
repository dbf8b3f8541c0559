// TestCommand.cpp -- "kestrel test": decompresses and checks the matching items, writing nothing.
#include <string>
#include <vector>

#include "cli/CliVerbs.h"
#include "cli/ExtractRun.h"

namespace ks::cli {

namespace {

int RunTest(const std::vector<std::string>& Args) {
    return KSRunExtractOrTest(Args, true);
}

const TCliVerb TestVerb{
    "test", 30, "test ARCHIVE [-p PASSWORD] [--oem-cp N] [--ansi-cp N] [MASK...]",
    "Decompresses every item matching each MASK (default \"*.*\") into a sink that stores nothing\n"
    "and checks it as extraction would: size, CRC-32 and, for AES items, the authentication code.\n"
    "Prints a summary line; every item that is not sound is reported on standard "
    "error.\n" KS_CLI_PASSWORD_HELP
    "Exit status: 0 when every matching item is sound, 1 when any failed or was skipped, 2 when the\n"
    "archive cannot be opened or the command line is wrong.",
    &RunTest};

const TCliVerbRegistration TestRegistration(TestVerb);

} // namespace

} // namespace ks::cli
