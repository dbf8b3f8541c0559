// KSVolumeNumberInfo.cpp -- the descriptor of one volume.
#include "archive/KSVolumeNumberInfo.h"

namespace ks {

void TKSVolumeNumberInfo::Init() {
    FVolumeKind = vnkUnknown;
    FVolumeNumber = -1;
    FLastVolumeNumber = -1;
}

bool TKSVolumeNumberInfo::FirstVolume() const {
    return FVolumeNumber == 0;
}

void TKSVolumeNumberInfo::SetFirstVolume(bool Value) {
    if (!Value)
        return;
    FVolumeNumber = 0;
    FVolumeKind = vnkFirst;
}

bool TKSVolumeNumberInfo::LastVolume() const {
    if (FLastVolumeNumber != -1)
        return FVolumeNumber == FLastVolumeNumber;
    return FVolumeKind == vnkLast;
}

void TKSVolumeNumberInfo::SetLastVolume(bool Value) {
    if (!Value)
        return;
    FVolumeNumber = FLastVolumeNumber;
    FVolumeKind = vnkLast;
}

void TKSVolumeNumberInfo::SetVolumeNumber(int32_t Value) {
    FVolumeNumber = Value;
    FVolumeKind = vnkCustom;
}

bool TKSVolumeNumberInfo::IsEqualTo(const TKSVolumeNumberInfo& Other) const {
    if (LastVolume())
        return Other.LastVolume();
    if (FirstVolume())
        return Other.FirstVolume();
    if (FVolumeNumber >= 0)
        return FVolumeNumber == Other.FVolumeNumber;
    return FVolumeKind == Other.FVolumeKind;
}

} // namespace ks
