// KSDirManager.h -- the directory of one open archive and how it is read.
//
// Loading finds the end record by a backward scan of the archive's tail, follows the Zip64 locator,
// reads every central header into the directory array, turns stored names into wide names (Unicode
// name fields, UTF-8 flag, OEM/ANSI code pages), interprets the extra fields, detects bytes placed
// in front of the archive (a self-extractor stub) and corrects the local header offsets for them,
// and checks the result for plausibility. When the directory is missing or unreadable it is
// rebuilt by scanning the archive for local headers. Counts, lengths and offsets read from the
// archive are checked against the stream before they are used for allocation or reading.
//
// Implementation: DirManager.cpp (construction, end record, Zip64 records, empty-archive end
// record), DirLoad.cpp (item reading, stub detection, validity check), DirRecovery.cpp (rebuild
// from local headers and the signature scans).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "archive/DirStreamIO.h"
#include "archive/KSDirArray.h"
#include "archive/KSVolumeNumberInfo.h"
#include "archive/ZipRecords.h"
#include "platform/KSStreams.h"
#include "platform/KSTypes.h"

namespace ks {

class TKSBaseArchiver;

class TKSDirManager {
public:
    // Stream: the archive stream (not owned). Arc: the owning component. bCreate: a new archive
    // (marks the component's volume as the first one and writes its SFX stub when one is set).
    TKSDirManager(TStream* Stream, TKSBaseArchiver* Arc, bool bCreate);
    virtual ~TKSDirManager();
    TKSDirManager(const TKSDirManager&) = delete;
    TKSDirManager& operator=(const TKSDirManager&) = delete;

    // Empty directory, end record all zero except its signature.
    void InitCentralDirEnd();

    // Finds the end record nearest the end of the stream whose comment length accounts exactly
    // for the bytes after it. Fills DirEnd and Position (-1 when not found) and ArchiveComment.
    bool GetCentralDirEnd(TKSZipCentralDirEnd& DirEnd, int64_t& Position, uint32_t Signature);

    // Whether the stream ends in an end record; always True while the component's
    // OpenCorruptedArchives is set (the call is still made, for CentralDirEnd and the comment).
    bool HasCentralDirEnd();

    // Reads the directory into CDir, rebuilding it from local headers when needed.
    void LoadDir();

    // Position of the first local header signature at or after StartPosition that leaves room for
    // a whole local header, or -1.
    int64_t FindLocalFileHeader(int64_t StartPosition);
    // Searches a data descriptor signature from StartPosition; when one is found and 16 bytes of it
    // are there, Descriptor holds it and Complete is True. Returns whether a signature was found.
    bool FindDataDescriptor(int64_t StartPosition, TKSZipDataDescriptor& Descriptor, bool& Complete);
    // Scans Stream from Offset in 10000-byte blocks for the SignatureLen bytes of Signature; when
    // found, Offset is its position. The stream position is restored.
    static bool FindSignature(TStream* Stream, int64_t& Offset, const uint8_t* Signature, int SignatureLen);

    // Asks the component to open the named volume (never for a caller-supplied stream) and takes
    // its archive stream.
    void OpenVolume(TKSVolumeNumberInfo* VolumeNumberInfo);

    void CalculateStubSize(int64_t DirEndPos);
    bool IsStubOffsetApplied();
    void ApplyStubOffset();
    // Native 57 when the compressed sizes add up to more than the stream holds.
    void CheckIfCentralDirIsValid();

    // Rebuild from local headers: native 44 for a multi-volume archive, native 35 when the stream
    // holds no local header.
    void TryToBuildCentralDir();
    void BuildCentralDirByLocalHeaders();

    // Writes the 22-byte end record of an empty archive at the end of the stream (RecreateCDirEnd
    // True, Stream null: the manager's own stream). In a new split or spanned set the volume is
    // then moved to the last volume's name and reopened as the archive stream.
    void SaveDir(bool RecreateCDirEnd, TStream* Stream);
    void MoveToLastVolumeName();
    // Copies the component's SFX stub file to the start of a new archive.
    void SaveSFXStub();

    TStream* FCompressedStream;
    bool FCreate;
    bool FIsCustomStream;
    TKSBaseArchiver* FArc;
    TKSDirArray CDir;
    AnsiString ArchiveComment;
    TKSZip64CentralDirEndLocator Zip64CentralDirEndLocator{};
    TKSZip64CentralDirEnd Zip64CentralDirEnd{};
    TKSZipCentralDirEnd CentralDirEnd{};
    int64_t StubSize = 0;
    bool FZip64 = false;
    bool Aborted = false;
    int64_t CentralDirOffset = 0;

private:
    // Names that extra fields supply in place of the header name, in order of precedence.
    struct TKSNameOverrides {
        std::optional<TKSString> Unicode;     // 0x554E with the "NUCX" signature
        std::optional<TKSString> UnicodePath; // 0x7075, version 1, CRC-32 of the header name matches
    };
    // The last block read by the local header / data descriptor scans.
    struct TKSScanCache {
        TStream* Stream = nullptr;
        int64_t StreamSize = -1;
        int64_t Start = 0;
        std::vector<uint8_t> Data;
        void Reset() {
            Stream = nullptr;
            StreamSize = -1;
            Data.clear();
            Data.shrink_to_fit();
        }
    };

    // B: follows the locator before the end record at Position; Position moves to the locator and
    // then to the Zip64 end record. False when a locator is there but no Zip64 end record.
    bool ReadZip64Records(int64_t& Position);
    void ReadItem(int32_t Index, TKSVolumeNumberInfo& LoadVolume, TKSBlockReader& Reader);
    void ReadExtraFields(TDirItem& Item, std::span<const uint8_t> Extra, bool LocalHeader,
                         std::span<const uint8_t> RawName, TKSNameOverrides& Names);
    // The header name: UTF-8 under flag bit 11 when valid, else through the OEM/ANSI code pages.
    TKSString DecodeName(std::span<const uint8_t> RawName, uint16_t Flags) const;
    TKSString ItemName(const TDirItem& Item, std::span<const uint8_t> RawName, TKSNameOverrides& Names) const;
    int32_t StubReferenceItem();
    bool LocalHeaderMatches(int64_t Position, const TDirItem& Reference);
    int64_t FindSignatureInBlocks(int64_t StartPosition, uint32_t Signature);
    bool OEMFileNames() const;
    bool OpenCorruptedArchives() const;
    bool IsSpanned() const;

    TKSScanCache FScan;
    // While LoadDir runs: the item stored first, found as the items were read (-1: search).
    int32_t FStubReference = -1;
};

} // namespace ks
