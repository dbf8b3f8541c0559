// KSWinFileAttributes.cpp -- MS-DOS attributes through GetFileAttributesW / SetFileAttributesW.
#include "platform/KSFiles.h"
#include "platform/win32/KSWinInternal.h"

namespace ks {

namespace {

// The bits a caller may set; the directory bit follows the entry's kind.
constexpr DWORD kSettable =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
// The bits reported: the DOS ones (the system's normal, temporary, reparse ... bits are not).
constexpr DWORD kReported = kSettable | FILE_ATTRIBUTE_DIRECTORY;

bool IsMissing(DWORD Err) {
    return Err == ERROR_FILE_NOT_FOUND || Err == ERROR_PATH_NOT_FOUND || Err == ERROR_INVALID_NAME ||
           Err == ERROR_BAD_NETPATH || Err == ERROR_BAD_NET_NAME || Err == ERROR_INVALID_DRIVE ||
           Err == ERROR_NOT_READY || Err == ERROR_DIRECTORY;
}

// The entry is listed in its folder although its attributes cannot be read.
bool IsListed(const std::wstring& Name) {
    WIN32_FIND_DATAW Fd;
    const HANDLE H = FindFirstFileW(Name.c_str(), &Fd);
    if (H == INVALID_HANDLE_VALUE)
        return false;
    FindClose(H);
    return true;
}

} // namespace

uint32_t KSGetFileAttr(const TKSString& FileName) {
    if (FileName.empty())
        return KSInvalidFileAttributes;
    const std::wstring Name = win::WinPath(FileName);
    const DWORD A = GetFileAttributesW(Name.c_str());
    if (A != INVALID_FILE_ATTRIBUTES)
        return A & kReported;
    const DWORD Err = GetLastError();
    if (!IsMissing(Err) && IsListed(Name))
        return faSysFile;
    return KSInvalidFileAttributes;
}

bool KSSetFileAttr(const TKSString& FileName, uint32_t Attr) {
    if (FileName.empty())
        return false;
    DWORD A = static_cast<DWORD>(Attr) & kSettable;
    if (A == 0)
        A = FILE_ATTRIBUTE_NORMAL;
    return SetFileAttributesW(win::WinPath(FileName).c_str(), A) != 0;
}

bool KSApplyStoredAttributes(const TKSString& FileName, uint32_t Attr, uint8_t /*HostByte*/) {
    // Only the DOS bits: the upper 16 bits that Unix-made archives fill with the file mode mean
    // other things to Windows (FILE_ATTRIBUTE_* above 0x8000) and must never reach it.
    return KSSetFileAttr(FileName, Attr & 0xFF);
}

} // namespace ks
