// KSOptions.h -- the component's two option objects: extraction options and volume options.
//
// Both are plain persistent objects whose fields are public so that the engine's classes read them
// directly (the directory loader reads FOEMFileNames); the accessor pairs are the properties a window
// layout stores.
#pragma once

#include <cstdint>

#include "archive/KSEnums.h"
#include "platform/KSComponent.h"

namespace ks {

class TKSVolumeNumberInfo;

// Attribute filter value of every bit a search may meet: read-only 1, hidden 2, system 4, volume 8,
// directory 16, archive 32, normal 128, compressed 2048, not-content-indexed 8192 (0x28BF).
constexpr int32_t KSDefaultSearchAttr = 10431;

class TKSOptions : public TPersistent {
public:
    TKSOptions() = default;

    // Copies every field from Source when it is a TKSOptions; any other source is ignored.
    virtual void Assign(const TPersistent& Source);

    TKSStorePathMode StorePath() const { return FStorePath; }
    void SetStorePath(TKSStorePathMode V) { FStorePath = V; }
    bool Recurse() const { return FRecurse; }
    void SetRecurse(bool V) { FRecurse = V; }
    TKSFileShareMode ShareMode() const { return FShareMode; }
    void SetShareMode(TKSFileShareMode V) { FShareMode = V; }
    TKSOverwriteMode OverwriteMode() const { return FOverwriteMode; }
    void SetOverwriteMode(TKSOverwriteMode V) { FOverwriteMode = V; }
    bool CreateDirs() const { return FCreateDirs; }
    void SetCreateDirs(bool V) { FCreateDirs = V; }
    bool ReplaceReadOnly() const { return FReplaceReadOnly; }
    void SetReplaceReadOnly(bool V) { FReplaceReadOnly = V; }
    bool SetAttributes() const { return FSetAttributes; }
    void SetSetAttributes(bool V) { FSetAttributes = V; }
    int32_t SearchAttr() const { return FSearchAttr; }
    void SetSearchAttr(int32_t V) { FSearchAttr = V; }
    bool FlushBuffers() const { return FFlushBuffers; }
    void SetFlushBuffers(bool V) { FFlushBuffers = V; }
    bool OEMFileNames() const { return FOEMFileNames; }
    void SetOEMFileNames(bool V) { FOEMFileNames = V; }

    TKSStorePathMode FStorePath =
        spRelativePath;   // a mask keeps its drive part only under spFullPathWithDrive
    bool FRecurse = true; // the search also looks into sub-folders
    TKSFileShareMode FShareMode = smShareDenyNone; // stored only; nothing reads it
    TKSOverwriteMode FOverwriteMode = omAlways;    // what extraction does with an existing file
    bool FCreateDirs = true;                       // extraction creates the stored folders
    bool FReplaceReadOnly = true;                  // extraction may replace read-only files
    bool FSetAttributes = true;                    // extraction restores stored attributes
    int32_t FSearchAttr = KSDefaultSearchAttr;     // stored default attribute filter
    bool FFlushBuffers = true;                     // flush extracted files on removable drives
    bool FOEMFileNames = true;                     // 8-bit names are converted from the OEM code page
};

class TKSSpanningOptions : public TPersistent {
public:
    TKSSpanningOptions() = default;

    // Copies all five fields from Source when it is a TKSSpanningOptions; any other source is ignored.
    virtual void Assign(const TPersistent& Source);

    // Size limit in bytes of the volume the descriptor names; -1 means no limit (free space decides).
    // FirstVolumeSize, when positive, applies to the first volume only.
    int64_t GetVolumeSize(const TKSVolumeNumberInfo& VolumeNumberInfo) const;

    bool AdvancedNaming() const { return FAdvancedNaming; }
    void SetAdvancedNaming(bool V) { FAdvancedNaming = V; }
    int64_t FirstVolumeSize() const { return FFirstVolumeSize; }
    void SetFirstVolumeSize(int64_t V) { FFirstVolumeSize = V; }
    TKSVolumeSize VolumeSize() const { return FVolumeSize; }
    void SetVolumeSize(TKSVolumeSize V) { FVolumeSize = V; }
    int64_t CustomVolumeSize() const { return FCustomVolumeSize; }
    // Values below 65536 are raised to 65536, the least size a volume may have.
    void SetCustomVolumeSize(int64_t V);

    bool FAdvancedNaming = false; // name_001.zip ... instead of name.Z01 ...
    int64_t FFirstVolumeSize = 0; // 0: the first volume has the size of the others
    TKSVolumeSize FVolumeSize = vsAutoDetect;
    int64_t FCustomVolumeSize = 0;      // the size for vsCustom
    bool FSaveDirToFirstVolume = false; // no property; copied by Assign only
};

} // namespace ks
