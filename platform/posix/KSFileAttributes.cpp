// KSFileAttributes.cpp -- MS-DOS attributes on POSIX: permissions, file type, extended attribute.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <sys/xattr.h>

#include "platform/KSFiles.h"
#include "platform/posix/KSPosixPath.h"

namespace ks {

namespace {

constexpr const char* kDosAttrName = "user.ks.dosattrib";
constexpr uint32_t kStoredBits = faHidden | faSysFile | faArchive;

bool XattrUnsupported(int Err) {
    return Err == ENOTSUP || Err == EOPNOTSUPP || Err == ENOSYS;
}

// Hidden, system and archive as kept in the extended attribute (0 when absent or unsupported).
uint32_t ReadStoredBits(const AnsiString& Native) {
    char Buf[16];
    const ssize_t N = getxattr(Native.c_str(), kDosAttrName, Buf, sizeof Buf - 1);
    if (N <= 0)
        return 0;
    Buf[N] = '\0';
    char* End = nullptr;
    const unsigned long V = std::strtoul(Buf, &End, 10);
    return static_cast<uint32_t>(V) & kStoredBits;
}

bool WriteStoredBits(const AnsiString& Native, uint32_t Bits) {
    Bits &= kStoredBits;
    if (Bits == 0) {
        if (removexattr(Native.c_str(), kDosAttrName) == 0)
            return true;
        return errno == ENODATA || XattrUnsupported(errno);
    }
    const std::string Text = std::to_string(Bits);
    return setxattr(Native.c_str(), kDosAttrName, Text.data(), Text.size(), 0) == 0;
}

// True when the directory that holds Native lists an entry of that name, for an entry whose
// metadata cannot be reached (a folder that may be read but not searched).
bool ListedInParent(const AnsiString& Native) {
    const std::size_t Slash = Native.rfind('/');
    const AnsiString Parent = Slash == AnsiString::npos ? "." : (Slash == 0 ? "/" : Native.substr(0, Slash));
    const AnsiString Name = Slash == AnsiString::npos ? Native : Native.substr(Slash + 1);
    if (Name.empty())
        return false;
    DIR* D = opendir(Parent.c_str());
    if (!D)
        return false;
    bool Found = false;
    while (const dirent* E = readdir(D))
        if (Name == E->d_name) {
            Found = true;
            break;
        }
    closedir(D);
    return Found;
}

bool SetReadOnly(const AnsiString& Native, const struct stat& St, bool ReadOnly) {
    mode_t Mode = St.st_mode & 07777;
    if (ReadOnly)
        Mode &= ~static_cast<mode_t>(0222);
    else if ((Mode & 0222) == 0)
        Mode |= 0200 | (0222 & ~static_cast<mode_t>(posix::CurrentUmask()));
    if (Mode == (St.st_mode & 07777))
        return true;
    return chmod(Native.c_str(), Mode) == 0;
}

} // namespace

uint32_t KSGetFileAttr(const TKSString& FileName) {
    const AnsiString Native = KSToNativePath(FileName);
    if (Native.empty())
        return KSInvalidFileAttributes;
    struct stat St;
    if (stat(Native.c_str(), &St) != 0) {
        const int Err = errno;
        struct stat L;
        if (lstat(Native.c_str(), &L) == 0)
            return faSysFile; // the entry is there (a link), its target is not
        if (Err == EACCES && ListedInParent(Native))
            return faSysFile;
        return KSInvalidFileAttributes;
    }
    uint32_t Attr = 0;
    if (S_ISDIR(St.st_mode))
        Attr |= faDirectory;
    if ((St.st_mode & 0222) == 0)
        Attr |= faReadOnly;
    return Attr | ReadStoredBits(Native);
}

bool KSSetFileAttr(const TKSString& FileName, uint32_t Attr) {
    const AnsiString Native = KSToNativePath(FileName);
    struct stat St;
    if (Native.empty() || stat(Native.c_str(), &St) != 0)
        return false;
    // Changing extended attributes needs write permission: write them while the file is still
    // (or already) writable.
    const bool ReadOnly = (Attr & faReadOnly) != 0;
    if (ReadOnly) {
        bool Stored = WriteStoredBits(Native, Attr);
        if (!Stored && errno == EACCES && (St.st_mode & 0200) == 0) {
            // Already read-only: lend the owner write permission for the change; SetReadOnly
            // takes it back.
            Stored = chmod(Native.c_str(), (St.st_mode & 07777) | 0200) == 0 && WriteStoredBits(Native, Attr);
            struct stat Now;
            if (stat(Native.c_str(), &Now) == 0)
                St = Now;
        }
        return SetReadOnly(Native, St, true) && Stored;
    }
    const bool Writable = SetReadOnly(Native, St, false);
    return WriteStoredBits(Native, Attr) && Writable;
}

bool KSApplyStoredAttributes(const TKSString& FileName, uint32_t Attr, uint8_t HostByte) {
    uint32_t Rights = 0;
    if (!KSStoredUnixRights(Attr, HostByte, Rights))
        return KSSetFileAttr(FileName, Attr);
    const AnsiString Native = KSToNativePath(FileName);
    struct stat St;
    // Only the permission bits of a regular file: no setuid, setgid or sticky bit, nothing that
    // the umask withholds, and never anything but a plain file.
    if (Native.empty() || stat(Native.c_str(), &St) != 0 || !S_ISREG(St.st_mode))
        return false;
    const mode_t Mode = static_cast<mode_t>(Rights & ~posix::CurrentUmask());
    return chmod(Native.c_str(), Mode) == 0;
}

} // namespace ks
