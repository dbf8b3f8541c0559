// KSEnums.h -- the enumerations of the archive component's properties and events.
//
// The ordinal values are part of the contract: they are stored with a window layout (by name, see
// KSProperties.h) and passed to event handlers, so every value is spelled out.
#pragma once

#include <cstdint>

namespace ks {

enum TKSCompressionLevel : uint8_t { clNone = 0, clFastest = 1, clNormal = 2, clMax = 3 };

enum TKSStorePathMode : uint8_t { spNoPath = 0, spRelativePath = 1, spFullPath = 2, spFullPathWithDrive = 3 };

enum TKSFileShareMode : uint8_t {
    smShareCompat = 0,
    smShareExclusive = 1,
    smShareDenyWrite = 2,
    smShareDenyRead = 3,
    smShareDenyNone = 4
};

enum TKSOverwriteMode : uint8_t { omPrompt = 0, omAlways = 1, omNever = 2, omIfNewer = 3, omIfOlder = 4 };

// smSpanning: one volume per removable disk; smSplitting: numbered volume files side by side.
enum TKSSpanningMode : uint8_t { smNone = 0, smSpanning = 1, smSplitting = 2 };

enum TKSVolumeSize : uint8_t {
    vsAutoDetect = 0,
    vsCustom = 1,
    vs1_44MB = 2,
    vs100MB = 3,
    vs200MB = 4,
    vs250MB = 5,
    vs600MB = 6,
    vs650MB = 7,
    vs700MB = 8,
    vs4700MB = 9
};

enum TKSCryptoAlgorithm : uint8_t { caPkzipClassic = 0, caAES_128 = 1, caAES_192 = 2, caAES_256 = 3 };

enum TZip64Mode : uint8_t { zmDisabled = 0, zmAuto = 1, zmAlways = 2 };

enum TKSProcessOperation : uint8_t {
    poAdd = 0,
    poMove = 1,
    poDelete = 2,
    poUpdate = 3,
    poExtract = 4,
    poTest = 5,
    poRename = 6,
    poChangeAttr = 7,
    poChangeComment = 8,
    poMakeSFX = 9
};

enum TKSProgressPhase : uint8_t { ppStart = 0, ppProcess = 1, ppEnd = 2 };

enum TKSAction : uint8_t { fxaRetry = 0, fxaIgnore = 1, fxaAbort = 2 };

} // namespace ks
