// LinuxOsServices.h -- the installer's operating-system services on Linux: Qt's settings store
// for AppPath, the XDG user folders, a desktop entry as the shortcut, fontconfig for the font and
// a detached process for the launch.
#pragma once

#include "installer/core/OsServices.h"

namespace ks {

class TLinuxOsServices : public inst::IOsServices {
public:
    std::optional<AnsiString> ReadAppPath(const AnsiString& AppKey) override;
    std::optional<AnsiString> DocumentsFolder() override;
    AnsiString DesktopFolder() override;
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
    AnsiString ShortcutExt() override { return ".desktop"; }
    // Copies the file into the user's font folder and counts the faces fontconfig finds in the
    // copy; 0 when it cannot be copied or holds no font.
    int AddFontResource(const AnsiString& Path) override;
    // Starts a refresh of the user's font cache, so that running programs see the new font.
    void BroadcastFontChange() override;
    void Launch(const AnsiString& File, const AnsiString& Param, const AnsiString& WorkDir) override;

    // The user's font folder (XDG data home + "/fonts").
    static AnsiString UserFontFolder();
};

// The text of a desktop entry that starts Target in WorkDir.
AnsiString DesktopEntryText(const AnsiString& Name, const AnsiString& Target, const AnsiString& WorkDir);

} // namespace ks
