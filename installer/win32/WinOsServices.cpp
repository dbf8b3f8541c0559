#include "installer/win32/WinOsServices.h"

#include <objidl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <vector>

#include "installer/core/PathRules.h"
#include "installer/win32/WinTrace.h"
#include "installer/win32/WinUi.h"
#include "platform/KSException.h"

namespace ks::win {

std::optional<AnsiString> TWinOsServices::ReadAppPath(const AnsiString& AppKey) {
    HKEY Key = nullptr;
    const std::string Sub = ToAnsiCp("Software\\Larkspur\\" + AppKey);
    if (RegOpenKeyExA(HKEY_CURRENT_USER, Sub.c_str(), 0, KEY_READ, &Key) != ERROR_SUCCESS)
        return std::nullopt;
    AnsiString Result;
    DWORD Type = 0, Size = 0;
    if (RegQueryValueExA(Key, "AppPath", nullptr, &Type, nullptr, &Size) == ERROR_SUCCESS &&
        (Type == REG_SZ || Type == REG_EXPAND_SZ)) {
        // One byte more than asked for: a stored string need not carry its terminating zero.
        std::vector<char> Buf(Size + 1, '\0');
        DWORD Got = Size;
        if (RegQueryValueExA(Key, "AppPath", nullptr, &Type, reinterpret_cast<BYTE*>(Buf.data()), &Got) ==
            ERROR_SUCCESS)
            Result = FromAnsiCp(Buf.data());
    }
    RegCloseKey(Key);
    return Result;
}

AnsiString SpecialFolderPath(int Csidl, size_t BufferChars) {
    LPITEMIDLIST List = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, Csidl, &List)) || !List)
        return {};
    // SHGetPathFromIDListA writes at most MAX_PATH characters; the buffer is never smaller.
    std::vector<char> Buf(BufferChars < MAX_PATH + 1 ? MAX_PATH + 1 : BufferChars, '\0');
    const BOOL Ok = SHGetPathFromIDListA(List, Buf.data());
    CoTaskMemFree(List);
    if (!Ok)
        return {};
    Buf.back() = '\0';
    return FromAnsiCp(Buf.data());
}

namespace {
// A folder path without a trailing separator, except a drive root ("D:\"), which keeps it.
// Some shells report their folders with one; the window takes the documents folder's parent as
// everything up to the last separator, which must then be the parent, not the folder itself.
AnsiString WithoutTrailingSeparator(AnsiString P) {
    while (P.size() > 3 && (P.back() == '\\' || P.back() == '/'))
        P.pop_back();
    return P;
}
} // namespace

std::optional<AnsiString> TWinOsServices::DocumentsFolder() {
    const AnsiString P = WithoutTrailingSeparator(SpecialFolderPath(CSIDL_PERSONAL, 260));
    if (P.empty())
        return std::nullopt;
    return P;
}

AnsiString TWinOsServices::DesktopFolder() {
    return WithoutTrailingSeparator(SpecialFolderPath(CSIDL_DESKTOPDIRECTORY, 261));
}

AnsiString TWinOsServices::MountPointOf(const AnsiString& Path) {
    if (Path.size() >= 2 && Path[1] == ':' &&
        ((Path[0] >= 'A' && Path[0] <= 'Z') || (Path[0] >= 'a' && Path[0] <= 'z')))
        return Path.substr(0, 2) + "\\";
    return "C:\\";
}

bool TWinOsServices::FileExists(const AnsiString& Path) {
    const DWORD A = GetFileAttributesW(Wide(Path).c_str());
    return A != INVALID_FILE_ATTRIBUTES && !(A & FILE_ATTRIBUTE_DIRECTORY);
}

bool TWinOsServices::DirectoryExists(const AnsiString& Path) {
    const DWORD A = GetFileAttributesW(Wide(Path).c_str());
    return A != INVALID_FILE_ATTRIBUTES && (A & FILE_ATTRIBUTE_DIRECTORY);
}

bool TWinOsServices::ForceDirectories(const AnsiString& Path) {
    AnsiString P = Path;
    while (P.size() > 3 && (P.back() == '\\' || P.back() == '/'))
        P.pop_back();
    if (P.empty() || DirectoryExists(P))
        return !P.empty();
    const AnsiString Parent = inst::ExtractFilePath(P);
    if (!Parent.empty() && Parent.size() < P.size())
        ForceDirectories(Parent);
    CreateDirectoryW(Wide(P).c_str(), nullptr);
    return DirectoryExists(P);
}

void TWinOsServices::WriteNewFile(const AnsiString& Path, std::span<const uint8_t> Data) {
    HANDLE F = CreateFileW(Wide(Path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (F == INVALID_HANDLE_VALUE)
        throw EFCreateError("Cannot create file \"" + Path + "\"");
    size_t Done = 0;
    bool Ok = true;
    while (Ok && Done < Data.size()) {
        const DWORD Chunk =
            static_cast<DWORD>(Data.size() - Done > (1u << 20) ? (1u << 20) : Data.size() - Done);
        DWORD Written = 0;
        Ok = WriteFile(F, Data.data() + Done, Chunk, &Written, nullptr) && Written == Chunk;
        Done += Written;
    }
    Ok = CloseHandle(F) && Ok;
    if (!Ok)
        throw EWriteError("Stream write error writing \"" + Path + "\"");
}

bool TWinOsServices::MoveFile(const AnsiString& From, const AnsiString& To) {
    return ::MoveFileW(Wide(From).c_str(), Wide(To).c_str()) != 0;
}

bool TWinOsServices::DeleteFile(const AnsiString& Path) {
    return ::DeleteFileW(Wide(Path).c_str()) != 0;
}

bool TWinOsServices::CopyFile(const AnsiString& From, const AnsiString& To) {
    return ::CopyFileW(Wide(From).c_str(), Wide(To).c_str(), FALSE) != 0;
}

bool TWinOsServices::SetFileAttributes(const AnsiString& Path, uint32_t Attr) {
    return ::SetFileAttributesW(Wide(Path).c_str(), Attr) != 0;
}

bool TWinOsServices::CreateShortcut(const AnsiString& Target, const AnsiString& WorkDir,
                                    const AnsiString& LinkName) {
    IShellLinkA* Link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&Link))))
        return false;
    Link->SetPath(ToAnsiCp(Target).c_str());
    Link->SetWorkingDirectory(ToAnsiCp(WorkDir).c_str());
    IPersistFile* File = nullptr;
    bool Ok = false;
    if (SUCCEEDED(Link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&File)))) {
        Ok = SUCCEEDED(File->Save(Wide(LinkName).c_str(), FALSE));
        File->Release();
    }
    Link->Release();
    return Ok;
}

int TWinOsServices::AddFontResource(const AnsiString& Path) {
    const int N = AddFontResourceA(ToAnsiCp(Path).c_str());
    Trace("font", Path + " = " + std::to_string(N));
    return N;
}

void TWinOsServices::BroadcastFontChange() {
    SendMessageA(HWND_BROADCAST, WM_FONTCHANGE, 0, 0);
    Trace("fontchange", "broadcast");
}

void TWinOsServices::Launch(const AnsiString& File, const AnsiString& Param, const AnsiString& WorkDir) {
    const HINSTANCE R = ShellExecuteA(FOwner, "open", ToAnsiCp(File).c_str(), ToAnsiCp(Param).c_str(),
                                      ToAnsiCp(WorkDir).c_str(), SW_SHOW);
    Trace("launch", File + " " + Param + " in " + WorkDir + " = " +
                        std::to_string(static_cast<long long>(reinterpret_cast<INT_PTR>(R))));
}

} // namespace ks::win
