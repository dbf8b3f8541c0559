// KSOptions.cpp -- copying the option objects and the volume size classes.
#include "archive/KSOptions.h"

#include "archive/KSVolumeNumberInfo.h"

namespace ks {

void TKSOptions::Assign(const TPersistent& Source) {
    const auto* S = dynamic_cast<const TKSOptions*>(&Source);
    if (!S || S == this)
        return;
    FStorePath = S->FStorePath;
    FRecurse = S->FRecurse;
    FShareMode = S->FShareMode;
    FOverwriteMode = S->FOverwriteMode;
    FCreateDirs = S->FCreateDirs;
    FReplaceReadOnly = S->FReplaceReadOnly;
    FSetAttributes = S->FSetAttributes;
    FSearchAttr = S->FSearchAttr;
    FFlushBuffers = S->FFlushBuffers;
    FOEMFileNames = S->FOEMFileNames;
}

void TKSSpanningOptions::Assign(const TPersistent& Source) {
    const auto* S = dynamic_cast<const TKSSpanningOptions*>(&Source);
    if (!S || S == this)
        return;
    FAdvancedNaming = S->FAdvancedNaming;
    FFirstVolumeSize = S->FFirstVolumeSize;
    FVolumeSize = S->FVolumeSize;
    FCustomVolumeSize = S->FCustomVolumeSize;
    FSaveDirToFirstVolume = S->FSaveDirToFirstVolume;
}

void TKSSpanningOptions::SetCustomVolumeSize(int64_t V) {
    constexpr int64_t MinVolumeSize = 65536;
    FCustomVolumeSize = V < MinVolumeSize ? MinVolumeSize : V;
}

int64_t TKSSpanningOptions::GetVolumeSize(const TKSVolumeNumberInfo& VolumeNumberInfo) const {
    if (VolumeNumberInfo.FirstVolume() && FFirstVolumeSize > 0)
        return FFirstVolumeSize;
    switch (FVolumeSize) {
    case vsAutoDetect:
        return -1;
    case vsCustom:
        return FCustomVolumeSize;
    case vs1_44MB:
        return 1457664;
    case vs100MB:
        return 104857600;
    case vs200MB:
        return 209715200;
    case vs250MB:
        return 262144000;
    case vs600MB:
        return 629145600;
    case vs650MB:
        return 681574400;
    case vs700MB:
        return 734003200;
    case vs4700MB:
        return 4928307200LL;
    }
    return -1;
}

} // namespace ks
