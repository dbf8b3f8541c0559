// ProgressBar.h -- a one-line progress bar on standard error, fed by the engine's progress events.
#pragma once

#include <chrono>
#include <string>

#include "archive/KSBaseArchiver.h"

namespace ks::cli {

class TProgressBar {
public:
    // Draws only when standard error is a terminal; otherwise every call does nothing.
    TProgressBar();
    ~TProgressBar();
    TProgressBar(const TProgressBar&) = delete;
    TProgressBar& operator=(const TProgressBar&) = delete;

    // Assigns the progress handlers of Arc (they never cancel).
    void Attach(TKSBaseArchiver& Arc);
    // Removes the bar from the screen (before other output, and at the end).
    void Clear();

private:
    void Draw(bool Force);

    bool FEnabled;
    bool FShown = false;
    double FPercent = 0;
    std::string FName;
    std::chrono::steady_clock::time_point FStart, FLastDraw;
};

} // namespace ks::cli
