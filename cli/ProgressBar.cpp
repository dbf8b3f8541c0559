// ProgressBar.cpp -- drawn at most ten times a second, and only after the first half second, so
// that short runs print nothing.
#include "cli/ProgressBar.h"

#include <algorithm>
#include <cstdio>

#include "cli/CliCommon.h"
#include "cli/TerminalPrompts.h"
#include "platform/KSConsole.h"

namespace ks::cli {

namespace {
TProgressBar* gVisible = nullptr;
void ClearVisible() {
    if (gVisible)
        gVisible->Clear();
}
} // namespace

TProgressBar::TProgressBar() : FEnabled(KSStderrIsTerminal()) {
    FStart = FLastDraw = std::chrono::steady_clock::now();
    if (FEnabled)
        gVisible = this;
}

TProgressBar::~TProgressBar() {
    Clear();
    if (gVisible == this)
        gVisible = nullptr;
}

void TProgressBar::Attach(TKSBaseArchiver& Arc) {
    if (!FEnabled)
        return;
    Arc.FOnOverallProgress = [this](TComponent*, double Progress, TKSProcessOperation, TKSProgressPhase,
                                    bool&) {
        FPercent = std::clamp(Progress, 0.0, 100.0);
        Draw(false);
    };
    Arc.FOnFileProgress = [this](TComponent*, const TKSString& Name, double, TKSProcessOperation,
                                 TKSProgressPhase Phase, bool&) {
        if (Phase == ppStart) {
            FName = KSPrintableName(Name);
            Draw(false);
        }
    };
}

void TProgressBar::Draw(bool Force) {
    if (!FEnabled)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (!Force &&
        (now - FStart < std::chrono::milliseconds(500) || now - FLastDraw < std::chrono::milliseconds(100)))
        return;
    FLastDraw = now;
    const int columns = std::max(40, KSStderrColumns());
    const int barWidth = 30;
    const int filled = static_cast<int>(FPercent / 100.0 * barWidth + 0.5);
    std::string line;
    line.reserve(static_cast<size_t>(columns) + 16);
    line.push_back('[');
    line.append(static_cast<size_t>(filled), '#');
    line.append(static_cast<size_t>(barWidth - filled), '.');
    line.append("] ");
    char pct[16];
    std::snprintf(pct, sizeof pct, "%5.1f%% ", FPercent);
    line += pct;
    const size_t room =
        static_cast<size_t>(columns - 1) > line.size() ? static_cast<size_t>(columns - 1) - line.size() : 0;
    if (FName.size() > room) {
        line.append("...");
        // The end of the name, from the start of a character (never from inside one's bytes).
        size_t from = FName.size() - std::max<size_t>(room, 3) + 3;
        while (from < FName.size() && (static_cast<unsigned char>(FName[from]) & 0xC0) == 0x80)
            ++from;
        line.append(FName, from, std::string::npos);
    } else {
        line.append(FName);
    }
    KSPrintf(stderr, "\r%s\033[K", line.c_str());
    std::fflush(stderr);
    FShown = true;
    KSSetBeforePromptHook(&ClearVisible);
}

void TProgressBar::Clear() {
    if (FEnabled && FShown) {
        KSWriteText(stderr, "\r\033[K");
        std::fflush(stderr);
        FShown = false;
    }
}

} // namespace ks::cli
