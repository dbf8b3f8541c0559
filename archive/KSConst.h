// KSConst.h -- the engine's message table and the map from native error codes to messages.
//
// A native code names the exact place and cause of a failure (0 to 62); many native codes share
// one user-facing message, whose index is the error code (0 to 40). Raisers use the named native
// codes below and never compose texts themselves (see EKSException in KSExcept.h).
#pragma once

#include <array>
#include <cstdint>

namespace ks {

inline constexpr int KSErrorMessageCount = 41;
inline constexpr int KSNativeErrorCount = 63;

// Message texts, index = error code. Texts are UTF-8 and may hold printf-like %s and %d.
extern const std::array<const char*, KSErrorMessageCount> KSErrorMessages;

struct TKSNativeErrorPair {
    int32_t NativeError;
    int32_t ErrorCode;
};

// Searched front to back; the first pair whose native code matches gives the error code.
extern const std::array<TKSNativeErrorPair, KSNativeErrorCount> KSNativeToErrorCode;

// The error code (message index) of a native code; 0 ("Unknown error") when it is not in the table.
int32_t KSErrorCodeOf(int32_t NativeError) noexcept;

// Native codes raised by the engine, named after their raiser and cause.
inline constexpr int32_t KSNE_DirArrayGetItem = 2;        // index out of bounds (no component)
inline constexpr int32_t KSNE_DirArrayGetItemPtr = 3;     // index out of bounds (no component)
inline constexpr int32_t KSNE_SetCompressionMode = 5;     // mode not in 0..9
inline constexpr int32_t KSNE_ExtractItemCheck = 8;       // bad size/CRC or unsupported format
inline constexpr int32_t KSNE_OpenArchiveNoName = 9;      // OpenArchive(): blank file name
inline constexpr int32_t KSNE_OpenArchiveModeNoName = 10; // OpenArchive(mode): blank file name
inline constexpr int32_t KSNE_OpenArchiveNotFound = 12;   // OpenArchive(mode): file "%s" not found
inline constexpr int32_t KSNE_CheckInactive = 13;         // archive is not open
inline constexpr int32_t KSNE_ExtractItemIndex = 16;      // index out of bounds
inline constexpr int32_t KSNE_ExtractCreateFile = 19;     // cannot create file "%s"
inline constexpr int32_t KSNE_ExtractCreateDir = 20;      // cannot create directory "%s"
inline constexpr int32_t KSNE_OpenArchiveInMemory = 28;   // in-memory archive can be created only
inline constexpr int32_t KSNE_SetInMemory = 29;           // blank file name
inline constexpr int32_t KSNE_BuildByLocalHeaders = 35;   // invalid archive file (no component)
inline constexpr int32_t KSNE_LoadDirNoZip64End = 40;     // no Zip64 end record (no component)
inline constexpr int32_t KSNE_TryToBuildCentralDir = 44;  // cannot rebuild a spanned archive (no component)
inline constexpr int32_t KSNE_OpenVolume = 45;            // cannot open archive file
inline constexpr int32_t KSNE_WriteBufferToStream = 46;   // write to stream error
inline constexpr int32_t KSNE_SaveSFXStub = 47;           // volume too small for the stub
inline constexpr int32_t KSNE_InternalOpenArchive = 48;   // archive is damaged
inline constexpr int32_t KSNE_Deflate64 = 55;             // Deflate64 not supported (no component)
inline constexpr int32_t KSNE_CentralDirInvalid = 57;     // archive is damaged (no component)
inline constexpr int32_t KSNE_SetItemName = 59;           // hashed list of names invalid (no component)

} // namespace ks
