// KSBaseArchiver.h -- the archive component's base class: one archive, its options, its open
// stream and directory manager, progress counters and event handlers.
//
// Fields carry their described names and are public so that the engine's other classes (the
// directory manager, extraction, volumes) read and set them directly. The accessor methods are the
// component's properties; the ones with a setter of their own keep the rules given with them.
//
// Lifecycle: closed (FActive false) -> OpenArchive -> open (FActive true, DMHandle and
// FCompressedStream present) -> CloseArchive -> closed. A failed open leaves the component closed.
#pragma once

#include <cstdint>
#include <memory>

#include "archive/KSEnums.h"
#include "archive/KSEvents.h"
#include "archive/KSOptions.h"
#include "archive/KSSearch.h"
#include "platform/KSComponent.h"
#include "platform/KSTypes.h"

namespace ks {

class TStream;
class TKSStringList;
class TKSDirManager;
class TKSVolumeNumberInfo;
struct TDirItem;
struct TKSRunReport;
class TKSExtractState;

// File modes of the archive stream.
constexpr uint16_t KSOpenModeCreate = 0xFFFF;  // create a new archive (truncating)
constexpr uint16_t KSOpenModeReadWrite = 0x22; // read and write, others may read
constexpr uint16_t KSOpenModeReadOnly = 0x40;  // read only, others may do anything

class TKSBaseArchiver : public TComponent {
public:
    explicit TKSBaseArchiver(TComponent* AOwner = nullptr);
    ~TKSBaseArchiver() override;

    // ---- lifecycle -------------------------------------------------------------------------
    // Chooses the mode from the file's state: create when InMemory or the file does not exist,
    // else read-write when the file can be opened so, else read-only. Native 9: no file name.
    void OpenArchive();
    // Opens with the given mode (KSOpenMode...). Native 10: no file name; 12: the file does not
    // exist (unless spanning or on a removable drive); 28: an in-memory archive with a mode other
    // than create; 48: no end-of-directory record and OpenCorruptedArchives false. Errors of the
    // stream layer and of directory loading pass through unchanged.
    void OpenArchive(uint16_t Mode);
    // Writes the end record of a new, still empty archive, then releases stream and directory.
    // Never raises.
    void CloseArchive() noexcept;
    // Raises native 13 when no archive is open (it demands an open archive).
    void CheckInactive() const;

    // ---- search (KSSearch.cpp) -------------------------------------------------------------
    // Both return false on a closed component.
    bool FindFirst(const TKSString& FileMask, TKSArchiveItem& F, int32_t SearchAttr,
                   const TKSString& ExclusionMask);
    bool FindNext(TKSArchiveItem& F);
    bool InternalFind(TKSArchiveItem& F);
    bool IsItemMatches(int32_t ItemNo, TKSArchiveItem& F);

    // ---- extraction and testing (KSExtract.cpp, KSDecompress.cpp) ----------------------------
    // Native 13 when no archive is open; then tags the items the search finds for the three
    // values and runs them in directory order under the process-wide lock (poExtract). Per-item
    // failures go to OnProcessFileFailure; an aborted or cancelled run raises nothing.
    void ExtractFiles(const TKSString& FileMask, int32_t SearchAttr, const TKSString& ExclusionMask);
    // The same run with poTest: every item is decompressed into a sink that stores nothing and
    // checked as extraction checks it (size, CRC-32, authentication code).
    void TestFiles(const TKSString& FileMask, int32_t SearchAttr, const TKSString& ExclusionMask);
    // Sets Tagged on exactly the items the search finds.
    void TagFiles(const TKSString& FileMask, int32_t SearchAttr, const TKSString& ExclusionMask);
    // Runs the tagged items with poExtract or poTest.
    void ProcessTaggedFiles(TKSProcessOperation Operation);
    // FileName: the stored name with '\' separators; Path: the output folder with a trailing '\'.
    void ExtractTaggedFile(int32_t ItemNo, const TKSString& FileName, const TKSString& Path);
    void TestTaggedFile(int32_t ItemNo);
    // Decompresses one item into DestStream. Native 16: bad index; 8: the data failed its checks.
    void ExtractItem(int32_t ItemNo, TStream* DestStream);
    // rfs stands at the item's local header. True when the data was produced and passed its checks.
    bool InternalDecompressFile(TStream* rfs, TStream* wfs, TDirItem* d);
    // Writes Count bytes; a short write raises OnDiskFull and retries, or sets FProgressCancel and
    // returns false.
    bool WriteToStreamWithOnDiskFull(TStream* Stream, const void* Buffer, int64_t Count);
    // The two bytes (low byte first) of a zlib stream header; mode 1 gives 0x78 0x01.
    static uint16_t GetZlibStreamHeader(int32_t CompMode);
    // What the last run did with each tagged item (KSExtract.h).
    const TKSRunReport& LastRunReport() const;
    // Forgets what extraction derived from the open archive's layout; called when DMHandle changes.
    void ResetExtractState() noexcept;
    std::shared_ptr<TKSExtractState> FExtractState; // owned by KSExtract.cpp

    // ---- volumes (KSVolumes.cpp) -----------------------------------------------------------
    // Makes the volume the descriptor names current (FCompressedStream, VolumeFileName,
    // FVolumeNumberInfo). A single-file archive (smNone) opens FFileName with FileOpenMode when no
    // stream is open. In a split or spanned set being read, the volume is asked for through
    // OnRequestFirstVolume / OnRequestLastVolume / OnRequestMiddleVolume (by default: the split
    // volume beside the archive, or the user is asked to insert the disk); while creating
    // (FileOpenMode KSOpenModeCreate) a blank volume is asked for and refused, with OnDiskFull,
    // unless its drive offers more than MinVolumeSize bytes (and, spanned, the volume's size).
    // Native 45 when a request or the disk-full prompt is aborted.
    void OpenVolume(TKSVolumeNumberInfo& VolumeNumberInfo);
    // Releases FCompressedStream, opens NewFileName with FileOpenMode (or Mode) in its place and
    // makes it VolumeFileName.
    void ReopenFileStream(const TKSString& NewFileName);
    void ReopenFileStream(const TKSString& NewFileName, uint16_t Mode);
    // Bytes available to the process on the drive of the file (-1 when the system cannot tell).
    static int64_t GetFreeDriveSpace(const TKSString& AVolumeFileName);
    // Releases the current volume's stream (unless it is the caller's); VolumeFileName stays.
    void ReleaseVolumeStream() noexcept;
    // The least free space a new volume must offer.
    static constexpr int64_t MinVolumeSize = 65536;
    // Decides FSpanningMode from the end-of-directory record DMHandle read.
    void DetectSpanning();
    // Turns the archive name into the name of volume VolumeNumber (0-based, -1 = the last one).
    void MakeDefaultVolumeName(TKSString& AVolumeFileName, int32_t VolumeNumber, bool CheckIfFileExists);
    // True when the lower-cased extension (from the last point) contains ".exe".
    static bool IsSFXArchive(const TKSString& ArcFileName);

    // The process-wide lock held around an extraction batch.
    static void Lock();
    static void Unlock();

    // ---- properties --------------------------------------------------------------------------
    bool Active() const { return FActive; }
    bool ExtractCorruptedFiles() const { return FExtractCorruptedFiles; }
    void SetExtractCorruptedFiles(bool V) { FExtractCorruptedFiles = V; }
    TKSCompressionLevel CompressionLevel() const { return FCompressionLevel; }
    void SetCompressionLevel(TKSCompressionLevel newLevel);
    uint8_t CompressionMode() const { return FCompressionMode; }
    // Native 5 for values above 9; nothing changes then.
    void SetCompressionMode(uint8_t newMode);
    // Always "5.01 ".
    TKSString GetCurrentVersionText() const;
    // The version cannot be changed: the value is ignored.
    void SetCurrentVersionText(const TKSString& Value);
    const AnsiString& Password() const { return FPassword; }
    virtual void SetPassword(const AnsiString& Value);
    const TKSString& FileName() const { return FFileName; }
    void SetFileName(const TKSString& V) { FFileName = V; }
    const TKSString& BaseDir() const { return FBaseDir; }
    void SetBaseDir(const TKSString& V) { FBaseDir = V; }
    const TKSString& TempDir() const { return FTempDir; }
    void SetTempDir(const TKSString& V) { FTempDir = V; }
    const TKSString& SFXStub() const { return FSFXStub; }
    void SetSFXStub(const TKSString& V) { FSFXStub = V; }
    TKSSpanningMode SpanningMode() const { return FSpanningMode; }
    // Raises ks::Exception "Cannot set spanning mode on open archive" while an archive is open.
    void SetSpanningMode(TKSSpanningMode Value);
    TKSSpanningOptions* SpanningOptions() const { return FSpanningOptions.get(); }
    void SetSpanningOptions(const TKSSpanningOptions& V) { FSpanningOptions->Assign(V); }
    TKSOptions* Options() const { return FOptions.get(); }
    void SetOptions(const TKSOptions& V) { FOptions->Assign(V); }
    TKSStringList* FileMasks() const { return FFileMasks.get(); }
    void SetFileMasks(const TKSStringList& Value);
    TKSStringList* ExclusionMasks() const { return FExclusionMasks.get(); }
    void SetExclusionMasks(const TKSStringList& Value);
    TKSStringList* NoCompressionMasks() const { return FNoCompressionMasks.get(); }
    void SetNoCompressionMasks(const TKSStringList& Value);
    bool InMemory() const { return FInMemory; }
    // Switching an open in-memory archive to a file writes the archive as closing would leave it
    // and reopens it from the file (native 29 without a file name); switching an open file
    // archive to memory leaves a new, empty in-memory archive.
    void SetInMemory(bool Value);
    bool OpenCorruptedArchives() const { return FOpenCorruptedArchives; }
    void SetOpenCorruptedArchives(bool V) { FOpenCorruptedArchives = V; }
    TKSVolumeNumberInfo* VolumeNumberInfo() const { return FVolumeNumberInfo.get(); }

    // ---- virtual operations, in slot order ---------------------------------------------------
    virtual void SetCompMethod();
    virtual void DoOnOverallProgress(double Progress, TKSProcessOperation Operation,
                                     TKSProgressPhase ProgressPhase, bool& Cancel);
    virtual void DoOnFileProgress(const TKSString& FileName, double Progress, TKSProcessOperation Operation,
                                  TKSProgressPhase ProgressPhase, bool& Cancel);
    virtual void DoOnCopyTempFileProgress(double Progress, TKSProgressPhase ProgressPhase, bool& Cancel);
    virtual void DoOnConfirmOverwrite(const TKSString& SourceFileName, TKSString& DestFileName,
                                      bool& Confirm);
    virtual void DoOnConfirmProcessFile(const TKSString& FileName, TKSProcessOperation Operation,
                                        bool& Confirm);
    virtual void DoOnPassword(const TKSString& FileName, AnsiString& NewPassword, bool& SkipFile);
    virtual void DoOnProcessFileFailure(const TKSString& FileName, TKSProcessOperation Operation,
                                        int32_t NativeError, int32_t ErrorCode, const TKSString& ErrorMessage,
                                        TKSAction& Action);
    virtual void DoOnRequestBlankVolume(int32_t VolumeNumber, TKSString& AVolumeFileName, bool& Cancel);
    virtual void DoOnRequestFirstVolume(TKSString& AVolumeFileName, bool& Cancel);
    virtual void DoOnRequestLastVolume(TKSString& AVolumeFileName, bool& Cancel);
    virtual void DoOnRequestMiddleVolume(int32_t VolumeNumber, TKSString& AVolumeFileName, bool& Cancel);
    virtual void DoOnDiskFull(int32_t VolumeNumber, const TKSString& AVolumeFileName, bool& Cancel);
    virtual void DoOnProcessVolumeFailure(TKSProcessOperation Operation, int32_t VolumeNumber,
                                          const TKSString& AVolumeFileName, bool& Cancel);
    virtual void DoOnStoreFile(TKSString& FileName, uint32_t& FileAttr, AnsiString& Comment,
                               const TKSString& OriginalFileName);
    virtual void DoOnExtractFile(TKSString& FileName, uint32_t& FileAttr, const AnsiString& Comment);

    // Raises AfterOpen; called at the end of every successful open.
    void DoAfterOpen();

    // ---- fields, in declaration order --------------------------------------------------------
    TKSString FCurrentDir;       // taken the first time a batch needs it
    bool FActive = false;        // an archive is open
    bool IsCustomStream = false; // the stream belongs to the caller and is never released here
    TKSString FFileName;         // path of the archive file
    TKSString VolumeFileName;    // path of the volume file currently open
    std::unique_ptr<TKSVolumeNumberInfo> FVolumeNumberInfo; // which volume is open
    uint16_t FileOpenMode = 0; // KSOpenModeCreate, KSOpenModeReadWrite or KSOpenModeReadOnly
    TKSString FTempDir;        // stored only
    TKSString FBaseDir;        // extraction writes below it
    TKSString FSFXStub;        // file name of the self-extracting stub
    std::unique_ptr<TKSOptions> FOptions;
    std::unique_ptr<TKSStringList> FFileMasks, FExclusionMasks, FNoCompressionMasks; // stored only
    bool FInMemory = false;                                // the archive lives in a memory stream
    int32_t FProcessedFileNo = 0, FProcessedFileCount = 0; // items done / tagged in the batch
    bool FProgressCancel = false;                          // a handler asked to cancel the batch
    bool FProgressEnabled = false;                         // progress events are raised for the batch
    bool FSkipFile = false;                                // the current item is to be skipped
    TKSSpanningMode FSpanningMode = smNone;
    std::unique_ptr<TKSSpanningOptions> FSpanningOptions;
    bool FExtractCorruptedFiles = false;
    // While true, the directory manager reports an end-of-directory record as found even when it
    // is missing, so that a damaged archive is rebuilt from its local headers.
    bool FOpenCorruptedArchives = false;
    bool FUnicodeFilenames = false;          // stored only (reading always honours Unicode name fields)
    int64_t FProgress = 0, FProgressMax = 0; // progress of the item being processed

    // Event handlers (empty = none assigned).
    TKSFileProgressEvent FOnFileProgress;
    TKSProgressEvent FOnOverallProgress;
    TKSCopyTempFileProgressEvent FOnCopyTempFileProgress;
    TKSConfirmOverwriteEvent FOnConfirmOverwrite;
    TKSConfirmProcessFileEvent FOnConfirmProcessFile;
    TNotifyEvent FAfterOpen;
    TKSOnPasswordEvent FOnPassword;
    TKSProcessFileFailureEvent FOnProcessFileFailure;
    TKSOnRequestBlankVolumeEvent FOnRequestBlankVolume;
    TKSOnRequestFirstVolumeEvent FOnRequestFirstVolume;
    TKSOnRequestLastVolumeEvent FOnRequestLastVolume;
    TKSOnRequestMiddleVolumeEvent FOnRequestMiddleVolume;
    TKSOnDiskFullEvent FOnDiskFull;
    TKSOnStoreFileEvent FOnStoreFile;
    TKSOnExtractFileEvent FOnExtractFile;
    TKSProcessVolumeFailureEvent FOnProcessVolumeFailure; // no property exposes it; stays empty

    bool FSuppressPasswordEvent = false;
    TKSDirManager* DMHandle = nullptr;                      // owned; the directory of the open archive
    uint16_t FCompressionMethod = 0;                        // 0 stored, 8 deflate; 65535 in the base class
    TKSCryptoAlgorithm FKSCryptoAlgorithm = caPkzipClassic; // stored only
    uint8_t FCompressionMode = 0;                           // 0..9
    TKSCompressionLevel FCompressionLevel = clNone;
    AnsiString FPassword;
    TStream* FCompressedStream = nullptr; // owned unless IsCustomStream
    TZip64Mode FZip64Mode = zmDisabled;   // stored only (Zip64 records are always honoured)

protected:
    void InternalOpenArchive();
    void InternalCreateArchive();
    void InternalOpenNonSFXArchive();
    void InternalOpenSFXArchive();
    // OpenVolume while creating a split or spanned set: a blank volume.
    void CreateVolume(TKSVolumeNumberInfo& VolumeNumberInfo);
    // Releases the stream (unless it is the caller's) and the directory manager.
    void ReleaseStreamAndDir() noexcept;
    // A new archive that holds nothing yet (nothing at all, or only its SFX stub) still needs the
    // end record of an empty archive, so that the file it leaves can be opened again.
    bool NeedsEmptyDirectory();
};

} // namespace ks
