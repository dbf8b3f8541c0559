// KSWinFileOps.cpp -- existence, folders, delete, rename, current folder and file times on Win32.
#include <vector>

#include "platform/KSFiles.h"
#include "platform/win32/KSWinInternal.h"

namespace ks {

namespace {

DWORD Attributes(const TKSString& Name) {
    if (Name.empty())
        return INVALID_FILE_ATTRIBUTES;
    return GetFileAttributesW(win::WinPath(Name).c_str());
}

bool IsDir(const TKSString& Name) {
    const DWORD A = Attributes(Name);
    return A != INVALID_FILE_ATTRIBUTES && (A & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsSeparator(TKSChar C) {
    return C == u'\\' || C == u'/';
}

// Dir without trailing separators, except where they are the root itself ("C:\", "\").
TKSString WithoutTrailingSeparators(TKSString Dir) {
    while (Dir.size() > 1 && IsSeparator(Dir.back()) && !(Dir.size() == 3 && Dir[1] == u':'))
        Dir.pop_back();
    return Dir;
}

} // namespace

bool KSFileExists(const TKSString& FileName) {
    const DWORD A = Attributes(FileName);
    return A != INVALID_FILE_ATTRIBUTES && (A & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool KSDirectoryExists(const TKSString& Dir) {
    return IsDir(Dir);
}

bool KSForceDirectories(const TKSString& Dir) {
    const TKSString D = WithoutTrailingSeparators(Dir);
    if (D.empty())
        return false;
    if (IsDir(D))
        return true;
    // The parent first, unless the parent is the drive or share itself (which cannot be made).
    const TKSString Parent = WithoutTrailingSeparators(KSExtractFilePath(D));
    const TKSString Drive = KSExtractFileDrive(D);
    if (!Parent.empty() && Parent != D && Parent != Drive && !KSForceDirectories(Parent))
        return false;
    // A folder that appears meanwhile (another process creating the same tree) is fine.
    CreateDirectoryW(win::WinPath(D).c_str(), nullptr);
    return IsDir(D);
}

bool KSDeleteFile(TKSPChar FileName) {
    if (!FileName || !*FileName)
        return false;
    return DeleteFileW(win::WinPath(FileName).c_str()) != 0;
}

bool KSRenameFile(TKSPChar OldName, TKSPChar NewName) {
    if (!OldName || !NewName || !*OldName || !*NewName)
        return false;
    // Like the classic rename: an existing NewName is not replaced.
    return MoveFileW(win::WinPath(OldName).c_str(), win::WinPath(NewName).c_str()) != 0;
}

bool KSRemoveDir(const TKSString& Dir) {
    return !Dir.empty() && RemoveDirectoryW(win::WinPath(Dir).c_str()) != 0;
}

int32_t KSFileAge(const TKSString& FileName) {
    WIN32_FILE_ATTRIBUTE_DATA Data;
    if (FileName.empty() ||
        !GetFileAttributesExW(win::WinPath(FileName).c_str(), GetFileExInfoStandard, &Data) ||
        (Data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return -1;
    return win::UtcFileTimeToDosDateTime(Data.ftLastWriteTime);
}

bool KSFileSetDate(const TKSString& FileName, int32_t DosDateTime) {
    FILETIME Utc;
    if (FileName.empty() || !win::DosDateTimeToUtcFileTime(DosDateTime, Utc))
        return false;
    // FILE_FLAG_BACKUP_SEMANTICS lets folders be stamped too; others may keep the file open.
    const HANDLE H = CreateFileW(win::WinPath(FileName).c_str(), FILE_WRITE_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (H == INVALID_HANDLE_VALUE)
        return false;
    const bool Ok = SetFileTime(H, nullptr, nullptr, &Utc) != 0;
    CloseHandle(H);
    return Ok;
}

TKSString KSGetCurrentDir() {
    const DWORD Need = GetCurrentDirectoryW(0, nullptr);
    if (Need == 0)
        return TKSString();
    std::vector<wchar_t> Buf(Need + 1);
    const DWORD Got = GetCurrentDirectoryW(static_cast<DWORD>(Buf.size()), Buf.data());
    if (Got == 0 || Got >= Buf.size())
        return TKSString();
    return win::FromW(Buf.data(), Got);
}

} // namespace ks
