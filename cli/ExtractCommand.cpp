// ExtractCommand.cpp -- "kestrel extract": writes the matching items below a folder.
#include <string>
#include <vector>

#include "cli/CliVerbs.h"
#include "cli/ExtractRun.h"

namespace ks::cli {

namespace {

int RunExtract(const std::vector<std::string>& Args) {
    return KSRunExtractOrTest(Args, false);
}

const TCliVerb ExtractVerb{
    "extract", 20,
    "extract ARCHIVE [-d DIR] [-p PASSWORD] [--overwrite always|never|prompt|newer|older] [-x EXCLUDE] "
    "[--oem-cp N] [--ansi-cp N] [MASK...]",
    "Extracts the items matching each MASK (default \"*.*\"; a mask without a folder also matches\n"
    "that name in every folder) below DIR (default: the current folder), in directory order.\n"
    "Stored names never leave DIR: drive letters, UNC prefixes and leading separators are removed\n"
    "and \"..\" steps cannot climb above it; nothing is written through a symbolic "
    "link.\n" KS_CLI_PASSWORD_HELP
    "--overwrite  existing files: always, never, prompt (default), newer (replace when the item is\n"
    "          newer), older (replace when the item is older)\n"
    "-x        items whose stored name (with its folders) matches EXCLUDE are left out\n"
    "On a terminal, questions (overwrite, password, failed item) are asked there and long runs show\n"
    "a progress bar. Without a terminal nothing waits: a failed item is ignored, an overwrite\n"
    "question answered No, a password question skips the item; each is reported.\n"
    "Exit status: 0 when every matching item was extracted sound, 1 when any failed or was\n"
    "skipped (each reported with the engine's message), 2 when the archive cannot be opened or\n"
    "the command line is wrong.",
    &RunExtract};

const TCliVerbRegistration ExtractRegistration(ExtractVerb);

} // namespace

} // namespace ks::cli
