// KSConst.cpp -- the message table and the native-code map.
#include "archive/KSConst.h"

namespace ks {

const std::array<const char*, KSErrorMessageCount> KSErrorMessages = {
    "Unknown error",                                                                           // 0
    "Index out of bounds",                                                                     // 1
    "Invalid compression mode. Mode must be in [0-9] range",                                   // 2
    "Unexpected nil pointer",                                                                  // 3
    "Invalid size or check sum of file or unsupported compression format",                     // 4
    "File name is blank. Specify appropriate file name",                                       // 5
    "File \"%s\" not found",                                                                   // 6
    "Archive is not open",                                                                     // 7
    "SFXStub property is not specified",                                                       // 8
    "Cannot create file \"%s\"",                                                               // 9
    "Cannot create directory \"%s\"",                                                          // 10
    "Internal error. Update is not started",                                                   // 11
    "Cannot open file \"%s\"",                                                                 // 12
    "Cannot proceed when update is not ended. Preceding EndUpdate call is required.",          // 13
    "Cannot delete file \"%s\"",                                                               // 14
    "In-memory archive can be created only",                                                   // 15
    "File is open in read-only mode",                                                          // 16
    "Invalid compressed size, rfs.size = %d, count = %d",                                      // 17
    "Invalid archive file.",                                                                   // 18
    "Cannot create output file. Probably file is locked by another process. FileName = '%s'.", // 19
    "Archive is open. You should close it beore performing this operation.",                   // 20
    "Unable to create directory",                                                              // 21
    "Cannot find Zip64 directory end record",                                                  // 22
    "Cannot compress file '%s'. Zip64 mode is not enabled",                                    // 23
    "Cannot open archive file. Opening aborted or invalid file",                               // 24
    "Write to stream error",                                                                   // 25
    "Cannot place SFX stub on volume. Volume size limit is too small",                         // 26
    "Archive is damaged. Open failed",                                                         // 27
    "MakeSFX is not allowed for splitted or spanned archives. Set SFXStub before archive creation "
    "instead of MakeSFX",                                    // 28
    "Archive already has SFX stub",                          // 29
    "Multi-volume archive is not allowed for custom stream", // 30
    "Multi-spanned archive is not allowed for modification. Use BeginUpdate/EndUpdate methods to add "
    "files several times",                                               // 31
    "Deflate64 compression method is not supported",                     // 32
    "MakeSFX error",                                                     // 33
    "Hashed list of file names is invalid",                              // 34
    "Cannot delete folder \"%s\"",                                       // 35
    "File name is too long: \r\n\"%s\"",                                 // 36
    "Multiple transactions are not supported for multi-volume archives", // 37
    "",                                                                  // 38
    "",                                                                  // 39
    "",                                                                  // 40
};

const std::array<TKSNativeErrorPair, KSNativeErrorCount> KSNativeToErrorCode = {{
    {0, 0},   {1, 1},   {2, 1},   {3, 1},   {4, 1},   {5, 2},   {6, 3},   {7, 1},   {8, 4},
    {9, 5},   {10, 5},  {11, 6},  {12, 6},  {13, 7},  {14, 7},  {15, 6},  {16, 1},  {17, 8},
    {18, 6},  {19, 9},  {20, 10}, {21, 1},  {22, 11}, {23, 9},  {24, 1},  {25, 11}, {26, 13},
    {27, 14}, {28, 15}, {29, 5},  {30, 6},  {31, 6},  {32, 16}, {33, 12}, {34, 17}, {35, 18},
    {36, 19}, {37, 20}, {38, 6},  {39, 21}, {40, 22}, {41, 23}, {42, 6},  {43, 23}, {44, 24},
    {45, 24}, {46, 25}, {47, 26}, {48, 27}, {49, 28}, {50, 29}, {51, 30}, {52, 31}, {53, 6},
    {54, 6},  {55, 32}, {56, 33}, {57, 27}, {58, 34}, {59, 34}, {60, 35}, {61, 36}, {62, 37},
}};

int32_t KSErrorCodeOf(int32_t NativeError) noexcept {
    for (const auto& Pair : KSNativeToErrorCode)
        if (Pair.NativeError == NativeError)
            return Pair.ErrorCode;
    return 0;
}

} // namespace ks
