// KSVolumeNumberInfo.h -- names one volume of a multi-volume archive.
//
// A volume is named either by its number (counted from 0) or, when the number is not known yet, by
// its kind: the first volume, the last volume, or a custom one. The last volume's number becomes
// known once the end record has been read.
#pragma once

#include <cstdint>

namespace ks {

enum TKSVolumeNumberKind : uint8_t { vnkFirst = 0, vnkLast = 1, vnkCustom = 2, vnkUnknown = 3 };

class TKSVolumeNumberInfo {
public:
    TKSVolumeNumberInfo() { Init(); }
    virtual ~TKSVolumeNumberInfo() = default;

    // Kind unknown, number -1, last number -1.
    void Init();

    // True when the number is 0. Setting True selects volume 0 (kind first); False does nothing.
    bool FirstVolume() const;
    void SetFirstVolume(bool Value);

    // With a known last number: whether the number equals it; otherwise whether the kind is last.
    // Setting True copies the last number into the number (kind last); False does nothing.
    bool LastVolume() const;
    void SetLastVolume(bool Value);

    int32_t VolumeNumber() const { return FVolumeNumber; }
    // Sets the number; the kind becomes custom.
    void SetVolumeNumber(int32_t Value);

    int32_t LastVolumeNumber() const { return FLastVolumeNumber; }
    void SetLastVolumeNumber(int32_t Value) { FLastVolumeNumber = Value; }

    TKSVolumeNumberKind VolumeKind() const { return FVolumeKind; }

    // Same volume: compared as last volumes, then as first volumes, then by number when this one
    // has a number, else by kind.
    bool IsEqualTo(const TKSVolumeNumberInfo& Other) const;

    TKSVolumeNumberKind FVolumeKind = vnkUnknown;
    int32_t FVolumeNumber = -1;
    int32_t FLastVolumeNumber = -1;
};

} // namespace ks
