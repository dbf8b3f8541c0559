// OsServices.h -- what the installer needs from the operating system, as one small interface.
//
// The Linux implementation lives in installer/qt/ (settings store, XDG folders, desktop entry,
// fontconfig, detached launch); a Windows one puts the registry and the shell behind the same calls.
// Every path is an 8-bit string (UTF-8 on Linux) with the native separator.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "platform/KSTypes.h"

namespace ks::inst {

class IOsServices {
public:
    virtual ~IOsServices() = default;

    // The string value "AppPath" under Larkspur/<AppKey>; nullopt when the key does not exist,
    // an empty string when the key exists without the value.
    virtual std::optional<AnsiString> ReadAppPath(const AnsiString& AppKey) = 0;
    // The user's documents folder; nullopt when it cannot be determined or does not exist.
    virtual std::optional<AnsiString> DocumentsFolder() = 0;
    // The user's desktop folder (no trailing separator).
    virtual AnsiString DesktopFolder() = 0;
    // The root of the mounted file system that holds Path ("/" on a single-disk system).
    virtual AnsiString MountPointOf(const AnsiString& Path) = 0;

    virtual bool FileExists(const AnsiString& Path) = 0;
    virtual bool DirectoryExists(const AnsiString& Path) = 0;
    // Creates every missing level; true when the folder exists afterwards.
    virtual bool ForceDirectories(const AnsiString& Path) = 0;
    // Creates (truncating) Path and writes Data; throws ks::Exception with the reason when the
    // file cannot be created or written.
    virtual void WriteNewFile(const AnsiString& Path, std::span<const uint8_t> Data) = 0;
    // The following return false on failure; the run does not always look.
    virtual bool MoveFile(const AnsiString& From, const AnsiString& To) = 0;
    virtual bool DeleteFile(const AnsiString& Path) = 0;
    virtual bool CopyFile(const AnsiString& From, const AnsiString& To) = 0; // overwrites
    // Sets the MS-DOS attribute bits of a file or folder, clearing every other one.
    virtual bool SetFileAttributes(const AnsiString& Path, uint32_t Attr) = 0;

    // The platform's shortcut file: LinkName starts Target in WorkDir.
    virtual bool CreateShortcut(const AnsiString& Target, const AnsiString& WorkDir,
                                const AnsiString& LinkName) = 0;
    // Extension of a shortcut file (".desktop" on Linux, ".lnk" on Windows).
    virtual AnsiString ShortcutExt() = 0;
    // Registers the font file for the user; returns the number of font faces it added.
    virtual int AddFontResource(const AnsiString& Path) = 0;
    // Tells running programs that the set of fonts changed.
    virtual void BroadcastFontChange() = 0;
    // Starts File detached with the single argument Param in WorkDir; the outcome is not reported.
    virtual void Launch(const AnsiString& File, const AnsiString& Param, const AnsiString& WorkDir) = 0;
};

} // namespace ks::inst
