// KSExtract.h -- what an extraction or test run did with each item, and the rules that keep the
// output of a run inside its target folder.
#pragma once

#include <cstdint>
#include <vector>

#include "archive/KSEnums.h"
#include "platform/KSTypes.h"

namespace ks {

class TKSBaseArchiver;

enum class TKSItemOutcome : uint8_t {
    NotReached, // the run ended (aborted or cancelled) before the item
    Done,       // extracted (or tested) and sound
    Failed,     // an error was offered to the failure event and not retried into success
    Skipped,    // left out: not confirmed, not overwritten, read-only target, password skipped
    Cancelled,  // cut by cancellation; its output was removed
    Corrupted,  // failed its checks but kept because ExtractCorruptedFiles is set
};

struct TKSItemReport {
    int32_t ItemNo = -1;
    TKSString Name; // stored name ("/" separators)
    TKSItemOutcome Outcome = TKSItemOutcome::NotReached;
    int32_t NativeError = 0; // for Failed: the exception's codes and composed text (UTF-8)
    int32_t ErrorCode = 0;
    AnsiString Message;
    AnsiString Reason; // for Skipped/Cancelled/Corrupted: why, in a few words
};

struct TKSRunReport {
    TKSProcessOperation Operation = poExtract;
    bool Aborted = false;             // the failure event answered Abort
    bool Cancelled = false;           // the run ended with the cancel flag set
    std::vector<TKSItemReport> Items; // every tagged item, in directory order
};

// Turns a stored name ("\" or "/" separators) into a path relative to the target folder: drive
// letters, UNC prefixes and leading separators are removed, "." and empty steps dropped, ".."
// steps resolved without climbing above the target, NUL characters replaced by "_". Components
// are joined with "\"; a trailing separator is kept. False when nothing is left, and on every
// platform when a component holds a colon that is not a leading drive prefix (an alternate data
// stream on Windows) or is a reserved device name (CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM0-9,
// LPT0-9, also with an extension such as "con.txt", in any letter case).
bool KSConfineStoredName(const TKSString& Name, TKSString& Out);

} // namespace ks
