// KSDrives.cpp -- drive type, removable storage, free space and volume labels on POSIX.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

#include "platform/KSFiles.h"
#include "platform/posix/KSPosixPath.h"

namespace ks {

namespace {

// ---- Folders declared removable (test hook) ----------------------------------------------------

std::mutex& DeclaredMutex() {
    static auto* M = new std::mutex;
    return *M;
}

std::vector<std::string>& Declared() {
    static auto* V = new std::vector<std::string>;
    return *V;
}

bool IsBelow(const std::string& Path, const std::string& Folder) {
    if (Folder == "/")
        return true;
    return Path.compare(0, Folder.size(), Folder) == 0 &&
           (Path.size() == Folder.size() || Path[Folder.size()] == '/');
}

bool IsDeclaredRemovable(const std::string& Absolute) {
    std::lock_guard<std::mutex> Lock(DeclaredMutex());
    for (const auto& F : Declared())
        if (IsBelow(Absolute, F))
            return true;
    return false;
}

// ---- Block devices -----------------------------------------------------------------------------

bool ReadFlag(const std::string& File) {
    FILE* F = std::fopen(File.c_str(), "re");
    if (!F)
        return false;
    int C = std::fgetc(F);
    std::fclose(F);
    return C == '1';
}

// The kernel's "removable" flag of the block device that holds st_dev; a partition takes the
// flag of the disk it belongs to.
bool QueryDeviceRemovable(dev_t Dev) {
    const std::string Base =
        "/sys/dev/block/" + std::to_string(major(Dev)) + ":" + std::to_string(minor(Dev));
    char Resolved[PATH_MAX];
    if (!realpath(Base.c_str(), Resolved))
        return false; // not a block device (tmpfs, overlay, network)
    const std::string Dir = Resolved;
    if (ReadFlag(Dir + "/removable"))
        return true;
    struct stat St;
    if (stat((Dir + "/partition").c_str(), &St) == 0) {
        const std::size_t Slash = Dir.rfind('/');
        if (Slash != std::string::npos && ReadFlag(Dir.substr(0, Slash) + "/removable"))
            return true;
    }
    return false;
}

// The flag is asked for every extracted file; reading it from sysfs costs several system calls,
// so each device's answer is kept. A device number stays with one device while it is mounted.
bool DeviceIsRemovable(dev_t Dev) {
    static auto* M = new std::mutex;
    static auto* Known = new std::unordered_map<dev_t, bool>;
    {
        std::lock_guard<std::mutex> Lock(*M);
        auto It = Known->find(Dev);
        if (It != Known->end())
            return It->second;
    }
    const bool R = QueryDeviceRemovable(Dev);
    std::lock_guard<std::mutex> Lock(*M);
    Known->emplace(Dev, R);
    return R;
}

struct TFsInfo {
    bool Ok = false;
    dev_t Dev = 0;
    long Type = 0;
};

TFsInfo Inspect(const std::string& Absolute) {
    TFsInfo I;
    const std::string P = posix::NearestExisting(Absolute);
    struct stat St;
    struct statfs Fs;
    if (stat(P.c_str(), &St) != 0 || statfs(P.c_str(), &Fs) != 0)
        return I;
    I.Ok = true;
    I.Dev = St.st_dev;
    I.Type = static_cast<long>(Fs.f_type);
    return I;
}

std::string AbsoluteOf(const TKSString& Path) {
    const AnsiString Native = KSToNativePath(Path);
    return posix::AbsoluteLexical(Native.empty() ? "." : Native);
}

} // namespace

TKSDriveType KSGetDriveType(const TKSString& Path) {
    const std::string Abs = AbsoluteOf(Path);
    if (IsDeclaredRemovable(Abs))
        return TKSDriveType::dtRemovable;
    const TFsInfo I = Inspect(Abs);
    if (!I.Ok)
        return TKSDriveType::dtNoRootDir;
    switch (static_cast<unsigned long>(I.Type) & 0xFFFFFFFFUL) {
    case 0x6969:     // NFS
    case 0x517B:     // SMB
    case 0xFF534D42: // CIFS
    case 0xFE534D42: // SMB2
    case 0x564C:     // NCP
    case 0x5346414F: // AFS
    case 0x73757245: // Coda
    case 0x01021997: // 9P
        return TKSDriveType::dtRemote;
    case 0x9660:     // ISO 9660
    case 0x15013346: // UDF
        return TKSDriveType::dtCDROM;
    case 0x01021994: // tmpfs
    case 0x858458F6: // ramfs
        return TKSDriveType::dtRAMDisk;
    default:
        break;
    }
    return DeviceIsRemovable(I.Dev) ? TKSDriveType::dtRemovable : TKSDriveType::dtFixed;
}

bool IsRemovableDrive(const TKSString& FileName) {
    if (IsFloppyDrive(FileName))
        return true;
    const std::string Abs = AbsoluteOf(FileName);
    if (IsDeclaredRemovable(Abs))
        return true;
    struct stat St;
    return stat(posix::NearestExisting(Abs).c_str(), &St) == 0 && DeviceIsRemovable(St.st_dev);
}

void KSDeclareRemovableFolder(const TKSString& Folder) {
    const std::string Abs = AbsoluteOf(Folder);
    std::lock_guard<std::mutex> Lock(DeclaredMutex());
    Declared().push_back(Abs);
}

void KSWithdrawRemovableFolder(const TKSString& Folder) {
    const std::string Abs = AbsoluteOf(Folder);
    std::lock_guard<std::mutex> Lock(DeclaredMutex());
    auto& V = Declared();
    for (auto It = V.begin(); It != V.end(); ++It)
        if (*It == Abs) {
            V.erase(It);
            return;
        }
}

void KSClearRemovableFolders() {
    std::lock_guard<std::mutex> Lock(DeclaredMutex());
    Declared().clear();
}

namespace {

// ---- Free space declared by tests (test hook) --------------------------------------------------

struct TDeclaredSpace {
    std::string Folder;
    int64_t Bytes;
};

std::vector<TDeclaredSpace>& DeclaredSpace() {
    static auto* V = new std::vector<TDeclaredSpace>;
    return *V;
}

bool DeclaredFreeSpace(const std::string& Absolute, int64_t& Bytes) {
    std::lock_guard<std::mutex> Lock(DeclaredMutex());
    const auto& V = DeclaredSpace();
    for (auto It = V.rbegin(); It != V.rend(); ++It)
        if (IsBelow(Absolute, It->Folder)) {
            Bytes = It->Bytes;
            return true;
        }
    return false;
}

} // namespace

void KSDeclareFreeSpace(const TKSString& Folder, int64_t Bytes) {
    const std::string Abs = AbsoluteOf(Folder);
    std::lock_guard<std::mutex> Lock(DeclaredMutex());
    DeclaredSpace().push_back({Abs, Bytes});
}

void KSWithdrawFreeSpace(const TKSString& Folder) {
    const std::string Abs = AbsoluteOf(Folder);
    std::lock_guard<std::mutex> Lock(DeclaredMutex());
    auto& V = DeclaredSpace();
    for (auto It = V.rbegin(); It != V.rend(); ++It)
        if (It->Folder == Abs) {
            V.erase(std::next(It).base());
            return;
        }
}

int64_t KSGetFreeSpace(const TKSString& Path) {
    const std::string Abs = AbsoluteOf(Path);
    if (int64_t Declared = 0; DeclaredFreeSpace(Abs, Declared))
        return Declared;
    const std::string P = posix::NearestExisting(Abs);
    struct statvfs Vfs;
    if (statvfs(P.c_str(), &Vfs) != 0)
        return -1;
    const unsigned long long Bytes =
        static_cast<unsigned long long>(Vfs.f_bavail) * static_cast<unsigned long long>(Vfs.f_frsize);
    return Bytes > static_cast<unsigned long long>(INT64_MAX) ? INT64_MAX : static_cast<int64_t>(Bytes);
}

bool KSSetVolumeLabel(const TKSString& /*Path*/, const TKSString& /*Label*/) {
    return false;
}

} // namespace ks
