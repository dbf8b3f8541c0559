// KSWinDrives.cpp -- drive type, removable storage, free space and volume labels on Win32.
#include <iterator>
#include <mutex>
#include <vector>

#include "platform/KSFiles.h"
#include "platform/KSStrings.h"
#include "platform/win32/KSWinInternal.h"

namespace ks {

namespace {

bool IsSeparator(wchar_t C) {
    return C == L'\\' || C == L'/';
}

// The absolute form ("." and ".." resolved lexically, "\" separators, no trailing separator
// except on a drive root). A relative name starts at the current folder; "" is the current folder.
std::wstring Absolute(const TKSString& Path) {
    const std::wstring In = Path.empty() ? std::wstring(L".") : win::WinPath(Path);
    const DWORD Need = GetFullPathNameW(In.c_str(), 0, nullptr, nullptr);
    if (Need == 0)
        return In;
    std::vector<wchar_t> Buf(Need + 1);
    const DWORD Got = GetFullPathNameW(In.c_str(), static_cast<DWORD>(Buf.size()), Buf.data(), nullptr);
    std::wstring R = (Got == 0 || Got >= Buf.size()) ? In : std::wstring(Buf.data(), Got);
    while (R.size() > 3 && IsSeparator(R.back()))
        R.pop_back();
    return R;
}

// The root of the volume that holds an absolute path ("C:\", "\\server\share\", a mount folder).
std::wstring VolumeRoot(const std::wstring& Abs) {
    std::vector<wchar_t> Buf(Abs.size() + MAX_PATH + 2);
    if (GetVolumePathNameW(Abs.c_str(), Buf.data(), static_cast<DWORD>(Buf.size())))
        return Buf.data();
    if (Abs.size() >= 2 && Abs[1] == L':')
        return Abs.substr(0, 2) + L"\\";
    return Abs;
}

// The longest leading part of an absolute path that is an existing folder.
std::wstring NearestExistingFolder(std::wstring Abs) {
    for (;;) {
        const DWORD A = GetFileAttributesW(Abs.c_str());
        if (A != INVALID_FILE_ATTRIBUTES && (A & FILE_ATTRIBUTE_DIRECTORY))
            return Abs;
        const std::size_t Sep = Abs.find_last_of(L"\\/");
        if (Sep == std::wstring::npos)
            return Abs;
        // Keep "C:\" whole; stop at the root.
        const std::wstring Up =
            Sep <= 2 && Abs.size() >= 2 && Abs[1] == L':' ? Abs.substr(0, 3) : Abs.substr(0, Sep);
        if (Up.empty() || Up == Abs)
            return Abs;
        Abs = Up;
    }
}

// ---- Folders declared removable (test hook) ----------------------------------------------------

std::mutex& DeclaredMutex() {
    static auto* M = new std::mutex;
    return *M;
}

std::vector<TKSString>& Declared() {
    static auto* V = new std::vector<TKSString>;
    return *V;
}

// Windows names compare without case.
TKSString Key(const TKSString& Path) {
    return KSUpperCase(win::FromW(Absolute(Path)));
}

bool IsBelow(const TKSString& Path, const TKSString& Folder) {
    if (Path.compare(0, Folder.size(), Folder) != 0)
        return false;
    return Path.size() == Folder.size() || Folder.back() == u'\\' || Path[Folder.size()] == u'\\';
}

bool IsDeclaredRemovable(const TKSString& Path) {
    const TKSString K = Key(Path);
    std::lock_guard<std::mutex> Lock(DeclaredMutex());
    for (const auto& F : Declared())
        if (IsBelow(K, F))
            return true;
    return false;
}

TKSDriveType FromSystem(UINT T) {
    switch (T) {
    case DRIVE_NO_ROOT_DIR:
        return TKSDriveType::dtNoRootDir;
    case DRIVE_REMOVABLE:
        return TKSDriveType::dtRemovable;
    case DRIVE_FIXED:
        return TKSDriveType::dtFixed;
    case DRIVE_REMOTE:
        return TKSDriveType::dtRemote;
    case DRIVE_CDROM:
        return TKSDriveType::dtCDROM;
    case DRIVE_RAMDISK:
        return TKSDriveType::dtRAMDisk;
    default:
        return TKSDriveType::dtUnknown;
    }
}

} // namespace

TKSDriveType KSGetDriveType(const TKSString& Path) {
    if (IsDeclaredRemovable(Path))
        return TKSDriveType::dtRemovable;
    return FromSystem(GetDriveTypeW(VolumeRoot(Absolute(Path)).c_str()));
}

bool IsRemovableDrive(const TKSString& FileName) {
    return IsFloppyDrive(FileName) || KSGetDriveType(FileName) == TKSDriveType::dtRemovable;
}

void KSDeclareRemovableFolder(const TKSString& Folder) {
    const TKSString K = Key(Folder);
    std::lock_guard<std::mutex> Lock(DeclaredMutex());
    Declared().push_back(K);
}

void KSWithdrawRemovableFolder(const TKSString& Folder) {
    const TKSString K = Key(Folder);
    std::lock_guard<std::mutex> Lock(DeclaredMutex());
    auto& V = Declared();
    for (auto It = V.begin(); It != V.end(); ++It)
        if (*It == K) {
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

// Free space belongs to a whole volume, and the engine asks for it by the drive part of a name
// ("C:\\"): a declaration therefore also answers for the root of the volume that holds its folder.
struct TDeclaredSpace {
    TKSString Folder;
    TKSString Root;
    int64_t Bytes;
};

std::vector<TDeclaredSpace>& DeclaredSpace() {
    static auto* V = new std::vector<TDeclaredSpace>;
    return *V;
}

} // namespace

void KSDeclareFreeSpace(const TKSString& Folder, int64_t Bytes) {
    const TKSString K = Key(Folder);
    std::lock_guard<std::mutex> Lock(DeclaredMutex());
    const TKSString Root = KSUpperCase(win::FromW(VolumeRoot(Absolute(Folder))));
    DeclaredSpace().push_back({K, Root, Bytes});
}

void KSWithdrawFreeSpace(const TKSString& Folder) {
    const TKSString K = Key(Folder);
    std::lock_guard<std::mutex> Lock(DeclaredMutex());
    auto& V = DeclaredSpace();
    for (auto It = V.rbegin(); It != V.rend(); ++It)
        if (It->Folder == K) {
            V.erase(std::next(It).base());
            return;
        }
}

int64_t KSGetFreeSpace(const TKSString& Path) {
    {
        const TKSString K = Key(Path);
        std::lock_guard<std::mutex> Lock(DeclaredMutex());
        const auto& V = DeclaredSpace();
        for (auto It = V.rbegin(); It != V.rend(); ++It)
            if (IsBelow(K, It->Folder) || K == It->Root)
                return It->Bytes;
    }
    ULARGE_INTEGER Avail, Total, Free;
    const std::wstring Folder = NearestExistingFolder(Absolute(Path));
    if (!GetDiskFreeSpaceExW(Folder.c_str(), &Avail, &Total, &Free))
        return -1;
    return Avail.QuadPart > static_cast<ULONGLONG>(INT64_MAX) ? INT64_MAX
                                                              : static_cast<int64_t>(Avail.QuadPart);
}

bool KSSetVolumeLabel(const TKSString& Path, const TKSString& Label) {
    const std::wstring Root = VolumeRoot(Absolute(Path));
    const std::wstring L = win::ToW(Label);
    return SetVolumeLabelW(Root.c_str(), L.c_str()) != 0;
}

} // namespace ks
