// MainLogic.h -- the installer window's decisions: the mode chosen at creation, the new-folder
// button and the installation run. Toolkit-free: it reaches the window, the new-folder dialog,
// the operating system and the archive component through the interfaces it is given.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "installer/core/InstallArchive.h"
#include "installer/core/MainView.h"
#include "installer/core/OsServices.h"
#include "platform/KSTypes.h"

namespace ks::inst {

// The attribute filters of the run's search and of its per-item extraction.
inline constexpr int32_t RunSearchAttr = 63;
inline constexpr int32_t RunExtractAttr = 10431;
// Hidden + system, given to the PyLib folder.
inline constexpr uint32_t HiddenSystemAttr = 6;

inline constexpr const char* FontFileName = "IDAutomationHC39M_Free.ttf";

class TMainLogic : private IInstallObserver {
public:
    // Shows the new-folder dialog for a parent folder and returns the created folder or "".
    using TShowUjMappa = std::function<AnsiString(const AnsiString& aPath)>;

    TMainLogic(IMainView& View, IOsServices& Os, IInstallArchive& Archive, std::span<const uint8_t> Payload,
               TShowUjMappa ShowUjMappa);

    void FormCreate();
    void btnUjMappaClick();
    void btnExitClick();
    // The installation run. An error that leaves it (the data file cannot be written) is
    // re-raised after btnExit is enabled again, for the application's error box.
    void btnRunClick();

    // The window's own fields.
    AnsiString fFileName;
    AnsiString fExeName;
    int32_t fMainID_FORM = 0;

    // State of the last run, for inspection.
    AnsiString aPath;
    bool aErrorExe = false;
    bool aErrorEtc = false;
    AnsiString TargetName;
    AnsiString LinkName;

private:
    void ExtractToDir(const AnsiString& aZipFileName, bool aToFolder);
    // Classifies a failed item by its name after the last separator.
    void ClassifyFailure(const AnsiString& ItemName);
    void ItemFailed(const AnsiString& ItemName) override { ClassifyFailure(ItemName); }
    void ItemsNotInstalled() override { aErrorEtc = true; }
    void RunSteps();

    IMainView& FView;
    IOsServices& FOs;
    IInstallArchive& FArchive;
    std::span<const uint8_t> FPayload;
    TShowUjMappa FShowUjMappa;
};

} // namespace ks::inst
