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

} // namespace ks::cli
