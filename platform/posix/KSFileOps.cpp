// KSFileOps.cpp -- existence, folders, delete, rename, current folder and file times on POSIX.
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/KSFiles.h"

namespace ks {

namespace {

bool StatNative(const AnsiString& Native, struct stat& St) {
    return !Native.empty() && stat(Native.c_str(), &St) == 0;
}

bool IsDir(const AnsiString& Native) {
    struct stat St;
    return StatNative(Native, St) && S_ISDIR(St.st_mode);
}

} // namespace

bool KSFileExists(const TKSString& FileName) {
    struct stat St;
    return StatNative(KSToNativePath(FileName), St) && !S_ISDIR(St.st_mode);
}

bool KSDirectoryExists(const TKSString& Dir) {
    return IsDir(KSToNativePath(Dir));
}

namespace {

// Creates Native and whatever of its parents is missing, from the deepest existing one down: in
// the usual case (the parent exists) that is one mkdir. A level that appears meanwhile (another
// process creating the same tree) is fine.
bool MakeDirs(const AnsiString& Native, int Depth) {
    if (mkdir(Native.c_str(), 0777) == 0)
        return true;
    if (errno == ENOENT && Depth < 4096) {
        const std::size_t Slash = Native.rfind('/');
        if (Slash != AnsiString::npos && Slash > 0) {
            std::size_t End = Slash;
            while (End > 1 && Native[End - 1] == '/')
                --End;
            if (!MakeDirs(Native.substr(0, End), Depth + 1))
                return false;
            if (mkdir(Native.c_str(), 0777) == 0)
                return true;
        }
    }
    return IsDir(Native);
}

} // namespace

bool KSForceDirectories(const TKSString& Dir) {
    AnsiString Native = KSToNativePath(Dir);
    while (Native.size() > 1 && Native.back() == '/')
        Native.pop_back();
    if (Native.empty())
        return false;
    return MakeDirs(Native, 0);
}

bool KSDeleteFile(TKSPChar FileName) {
    if (!FileName)
        return false;
    const AnsiString Native = KSToNativePath(FileName);
    struct stat St;
    // Folders are not files: refuse them as the Windows call does (unlink on a folder is an error
    // anyway, but lstat keeps a symbolic link to a folder deletable as the link it is).
    if (Native.empty() || lstat(Native.c_str(), &St) != 0 || S_ISDIR(St.st_mode))
        return false;
    return unlink(Native.c_str()) == 0;
}

bool KSRenameFile(TKSPChar OldName, TKSPChar NewName) {
    if (!OldName || !NewName)
        return false;
    const AnsiString From = KSToNativePath(OldName), To = KSToNativePath(NewName);
    if (From.empty() || To.empty())
        return false;
    if (renameat2(AT_FDCWD, From.c_str(), AT_FDCWD, To.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without the no-replace rename: check first (a race with another process
    // creating NewName meanwhile remains possible there).
    struct stat St;
    if (lstat(To.c_str(), &St) == 0)
        return false;
    return rename(From.c_str(), To.c_str()) == 0;
}

bool KSRemoveDir(const TKSString& Dir) {
    const AnsiString Native = KSToNativePath(Dir);
    return !Native.empty() && rmdir(Native.c_str()) == 0;
}

int32_t KSFileAge(const TKSString& FileName) {
    struct stat St;
    if (!StatNative(KSToNativePath(FileName), St) || S_ISDIR(St.st_mode))
        return -1;
    return KSUnixTimeToDosDateTime(static_cast<int64_t>(St.st_mtim.tv_sec));
}

bool KSFileSetDate(const TKSString& FileName, int32_t DosDateTime) {
    int64_t T;
    const AnsiString Native = KSToNativePath(FileName);
    if (Native.empty() || !KSDosDateTimeToUnixTime(DosDateTime, T))
        return false;
    struct timespec Times[2];
    Times[0].tv_sec = 0;
    Times[0].tv_nsec = UTIME_OMIT; // last access stays
    Times[1].tv_sec = static_cast<time_t>(T);
    Times[1].tv_nsec = 0;
    return utimensat(AT_FDCWD, Native.c_str(), Times, 0) == 0;
}

TKSString KSGetCurrentDir() {
    std::vector<char> Buf(4096);
    while (!getcwd(Buf.data(), Buf.size())) {
        if (errno != ERANGE)
            return TKSString();
        Buf.resize(Buf.size() * 2);
    }
    return KSFromNativePath(Buf.data());
}

} // namespace ks
