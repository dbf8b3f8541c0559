// KSFiles.h -- the engine's file-system wrappers: wide names, attributes, times, drives.
//
// Names are UTF-16. Inside the engine "\" separates outward paths and "/" stored names; the POSIX
// backend accepts both, turns "\" into "/" and converts to UTF-8 only at the system call. A
// drive prefix ("C:") has no meaning on POSIX: such a name is an ordinary relative name there.
//
// Attributes are the MS-DOS bits. On POSIX read-only maps to the write permission bits (set: no
// write bit at all; cleared: write bits restored as the umask allows), the directory bit comes
// from the file type, and hidden, system and archive are kept in the extended attribute
// "user.ks.dosattrib" where the file system supports it; elsewhere they read back as not set.
#pragma once

#include <cstdint>

#include "platform/KSDosTime.h"
#include "platform/KSTypes.h"

namespace ks {

// MS-DOS attribute bits.
constexpr uint32_t faReadOnly = 0x01;
constexpr uint32_t faHidden = 0x02;
constexpr uint32_t faSysFile = 0x04;
constexpr uint32_t faVolumeID = 0x08;
constexpr uint32_t faDirectory = 0x10;
constexpr uint32_t faArchive = 0x20;
constexpr uint32_t faAnyFile = 0x3F;
constexpr uint32_t KSInvalidFileAttributes = 0xFFFFFFFF;

// Host byte of versionMadeBy (upper byte) that marks a Unix-made item.
constexpr uint8_t KSHostUnix = 3;

// ---- Path rules (no file-system access) --------------------------------------------------------

// Dir, or CurDir when Dir is empty, with "\" appended unless it already ends with "\". Nothing
// else changes; both empty give "\".
TKSString GetSlashedDir(const TKSString& Dir, const TKSString& CurDir);

// "\", "/" and the drive colon all delimit. FileName: the part after the last delimiter;
// FilePath: everything up to and including it; FileExt: from the last "." after the last
// delimiter, dot included ("" when there is none).
TKSString KSExtractFileName(const TKSString& FileName);
TKSString KSExtractFilePath(const TKSString& FileName);
TKSString KSExtractFileExt(const TKSString& FileName);
// "X:" for a name starting with a letter and a colon, "\\server\share" for a UNC name (either
// separator), else "".
TKSString KSExtractFileDrive(const TKSString& FileName);

// The name as the file calls use it: "\" turned into "/", UTF-8 (lone surrogates become U+FFFD).
AnsiString KSToNativePath(const TKSString& FileName);
// A name from the system (UTF-8; ill-formed bytes become U+FFFD) as a wide string, unchanged
// otherwise.
TKSString KSFromNativePath(const AnsiString& NativeName);

// ---- Files and folders -------------------------------------------------------------------------

// True when FileName names an existing file that is not a folder (symbolic links are followed).
bool KSFileExists(const TKSString& FileName);
// True when Dir names an existing folder.
bool KSDirectoryExists(const TKSString& Dir);
// Creates Dir and every missing parent; true when the folder exists afterwards. A trailing
// separator is allowed; an empty Dir gives false.
bool KSForceDirectories(const TKSString& Dir);
// True when the file was deleted (folders are not deleted by this call).
bool KSDeleteFile(TKSPChar FileName);
// True when the file now bears NewName. An existing NewName is never replaced: the rename fails,
// as it does on Windows.
bool KSRenameFile(TKSPChar OldName, TKSPChar NewName);
// Removes an empty folder; true on success.
bool KSRemoveDir(const TKSString& Dir);

// The attribute bits (faReadOnly, faHidden, faSysFile, faDirectory, faArchive), 0 for a plain
// file; KSInvalidFileAttributes when the name does not exist; faSysFile (4) alone when the
// entry exists but its attributes cannot be read (a symbolic-link loop or dangling link, a
// folder that may be listed but not searched).
uint32_t KSGetFileAttr(const TKSString& FileName);
// Sets the DOS bits: read-only through the write permission bits, hidden/system/archive in the
// extended attribute (removed when none of them is set); faDirectory and faVolumeID and every
// bit above 0x3F are ignored. False when the entry does not exist, the permission change fails,
// or hidden/system/archive were asked for and cannot be stored.
bool KSSetFileAttr(const TKSString& FileName, uint32_t Attr);

// Applies an extracted item's stored attributes. When HostByte (versionMadeBy >> 8) is
// KSHostUnix and the upper 16 bits of Attr hold a regular-file mode (S_IFREG), the permission
// bits are applied, masked to 0777 and filtered by the process umask (never setuid, setgid or
// sticky); otherwise the DOS bits are set as by KSSetFileAttr. The caller passes the host byte
// only for the attributes as stored: when an event handler has replaced the attributes it
// passes 0, so that only the DOS bits apply. Never creates links, devices or pipes. The Win32
// backend keeps only the DOS bits. True when the attributes were set.
bool KSApplyStoredAttributes(const TKSString& FileName, uint32_t Attr, uint8_t HostByte);

// The permission bits (masked to 0777) that KSApplyStoredAttributes would give a file for these
// stored attributes on a system with Unix permissions, or false when it would set DOS bits
// instead. A new file created with these rights (TKSFileStream with CreateRights, which reports
// CreatedWithRights) needs no KSApplyStoredAttributes afterwards.
inline bool KSStoredUnixRights(uint32_t Attr, uint8_t HostByte, uint32_t& Rights) {
    constexpr uint32_t kTypeMask = 0170000, kRegular = 0100000;
    const uint32_t UnixMode = Attr >> 16;
    if (HostByte != KSHostUnix || (UnixMode & kTypeMask) != kRegular)
        return false;
    Rights = UnixMode & 0777;
    return true;
}

// The file's last-write time as a DOS date-time in local time, or -1 when the file does not
// exist (or is a folder).
int32_t KSFileAge(const TKSString& FileName);
// Sets the last-write time (only that one) from a DOS date-time taken as local time. False for
// an invalid value or when the file cannot be changed.
bool KSFileSetDate(const TKSString& FileName, int32_t DosDateTime);

// The current folder, in the system's own spelling ("/" separators on POSIX).
TKSString KSGetCurrentDir();

// ---- Drives and file systems -------------------------------------------------------------------

enum class TKSDriveType { dtUnknown, dtNoRootDir, dtRemovable, dtFixed, dtRemote, dtCDROM, dtRAMDisk };

// The kind of storage that holds Path (or, for a name that does not exist yet, its nearest
// existing parent folder; a relative name starts at the current folder).
TKSDriveType KSGetDriveType(const TKSString& Path);

// The upper-cased drive part of FileName is "A:" or "B:".
bool IsFloppyDrive(const TKSString& FileName);
// IsFloppyDrive, or the storage of FileName is removable: a folder declared with
// KSDeclareRemovableFolder or below it, or a file system on a block device the kernel reports
// as removable.
bool IsRemovableDrive(const TKSString& FileName);

// Test hook: every path at or below Folder counts as being on a removable drive until the
// declaration is withdrawn. Paths are compared after making them absolute and resolving "."
// and ".." lexically.
void KSDeclareRemovableFolder(const TKSString& Folder);
void KSWithdrawRemovableFolder(const TKSString& Folder);
void KSClearRemovableFolders();

// Bytes available to the calling user on the file system of Path (or of its nearest existing
// parent folder), or -1 when the system cannot tell.
int64_t KSGetFreeSpace(const TKSString& Path);

// Volume labels cannot be set on POSIX: always false there (callers ignore the result).
bool KSSetVolumeLabel(const TKSString& Path, const TKSString& Label);

// Test hook: KSGetFreeSpace reports Bytes for every path at or below Folder until the
// declaration is withdrawn (the latest declaration that covers a path wins). Paths are compared
// as for KSDeclareRemovableFolder. On Windows, where free space is asked for by drive (C:\), a
// declaration also answers for the root of the drive that holds its folder.
void KSDeclareFreeSpace(const TKSString& Folder, int64_t Bytes);
void KSWithdrawFreeSpace(const TKSString& Folder);

// ---- Volume names ------------------------------------------------------------------------------

// The name under which a volume file exists when writers disagree on letter case (one writes
// x.z01, another x.Z01): FileName itself when it exists as a file; otherwise, on a case-sensitive
// file system, the first name in sorted order in the same folder that differs from FileName's
// last component only in letter case; an empty string when there is none. Meant for volume names
// only; ordinary file names are always taken as they are. On Windows the file system ignores
// case, so the name exists as given or not at all.
TKSString KSFindVolumeFile(const TKSString& FileName);

} // namespace ks
