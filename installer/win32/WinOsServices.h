// WinOsServices.h -- the installer's operating-system services on Windows: the registry under
// HKEY_CURRENT_USER, the shell's special folders, a shell link as the shortcut, GDI font
// registration and ShellExecute for the launch. File operations use the wide calls, so that
// UTF-8 paths with any characters reach the file system unchanged.
#pragma once

#include "installer/win32/WinApi.h"

#include "installer/core/OsServices.h"

namespace ks::win {

class TWinOsServices : public inst::IOsServices {
public:
    // The window that owns the launch (ShellExecute's parent); may be set after construction.
    void SetOwnerWindow(HWND Wnd) { FOwner = Wnd; }

    std::optional<AnsiString> ReadAppPath(const AnsiString& AppKey) override;
    std::optional<AnsiString> DocumentsFolder() override;
    AnsiString DesktopFolder() override;
    // The drive root ("C:\") of a path that starts with a drive letter; "C:\" for any other path.
    AnsiString MountPointOf(const AnsiString& Path) override;
    bool FileExists(const AnsiString& Path) override;
    bool DirectoryExists(const AnsiString& Path) override;
    bool ForceDirectories(const AnsiString& Path) override;
    void WriteNewFile(const AnsiString& Path, std::span<const uint8_t> Data) override;
    bool MoveFile(const AnsiString& From, const AnsiString& To) override;
    bool DeleteFile(const AnsiString& Path) override;
    bool CopyFile(const AnsiString& From, const AnsiString& To) override;
    bool SetFileAttributes(const AnsiString& Path, uint32_t Attr) override;
    bool CreateShortcut(const AnsiString& Target, const AnsiString& WorkDir,
                        const AnsiString& LinkName) override;
    AnsiString ShortcutExt() override { return ".lnk"; }
    int AddFontResource(const AnsiString& Path) override;
    void BroadcastFontChange() override;
    void Launch(const AnsiString& File, const AnsiString& Param, const AnsiString& WorkDir) override;

private:
    HWND FOwner = nullptr;
};

// The path of a shell special folder (CSIDL_*) through SHGetSpecialFolderLocation and
// SHGetPathFromIDListA into a buffer of BufferChars characters; empty when it cannot be had.
AnsiString SpecialFolderPath(int Csidl, size_t BufferChars);

} // namespace ks::win
