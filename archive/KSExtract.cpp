// KSExtract.cpp -- extraction and test runs: tagging, the batch loop with its events and failure
// handling, writing one item to a file, and decompressing one item into a stream.
//
// Guarantees beyond the plain loop:
//  - Stored names never leave the target folder (KSConfineStoredName); only a name that an
//    OnExtractFile handler set may be absolute.
//  - No write, attribute change or delete goes through a symbolic link that already exists
//    between the target folder and the output file (the output file included); such an item
//    fails with native 19 and the link's target is left untouched. No link is ever created.
//  - An item whose local header starts where an earlier item starts, or lies inside another
//    item's data, fails with native 8 before anything is written: overlapping entries let a few
//    kilobytes expand to gigabytes. ExtractCorruptedFiles does not lift this check.
#include <algorithm>
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "archive/KSBaseArchiver.h"
#include "archive/KSConst.h"
#include "archive/KSDirArray.h"
#include "archive/KSDirManager.h"
#include "archive/KSExcept.h"
#include "archive/KSExtract.h"
#include "archive/KSVolumeNumberInfo.h"
#include "archive/ZipRecords.h"
#include "platform/KSFiles.h"
#include "platform/KSStreams.h"
#include "platform/KSStrings.h"
#include "platform/KSSync.h"

namespace ks {

// ---- state kept by the component between items and runs ----------------------------------------

class TKSExtractState {
public:
    // Which items must not be extracted because their local header overlaps another item; computed
    // once per directory.
    const TKSDirManager* FIndexOwner = nullptr;
    int32_t FIndexCount = -1;
    int64_t FIndexDirOffset = -1;
    std::vector<uint8_t> FOverlaps;

    // The outcome of the item being processed, as the item's own steps decide it.
    TKSItemOutcome FOutcome = TKSItemOutcome::Done;
    AnsiString FReason;

    // Folders of the current run known to exist and not to be symbolic links, and whether the
    // folders that received files lie on removable drives.
    std::unordered_set<TKSString> FVerifiedDirs;
    std::unordered_map<TKSString, bool> FRemovableDirs;

    TKSRunReport FReport;

    void SetOutcome(TKSItemOutcome Outcome, const char* Reason) {
        FOutcome = Outcome;
        FReason = Reason;
    }
};

namespace {

TKSExtractState& State(TKSBaseArchiver& Arc) {
    if (!Arc.FExtractState)
        Arc.FExtractState = std::make_shared<TKSExtractState>();
    return *Arc.FExtractState;
}

bool IsSep(TKSChar C) {
    return C == u'\\' || C == u'/';
}

// A sink that stores nothing: the test run decompresses into it.
class TKSNullStream final : public TStream {
public:
    int64_t Read(void*, int64_t) override { return 0; }
    int64_t Write(const void*, int64_t Count) override {
        if (Count <= 0)
            return 0;
        FPosition += Count;
        FSize = std::max(FSize, FPosition);
        return Count;
    }
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override {
        int64_t base = Origin == TSeekOrigin::soBeginning ? 0
                       : Origin == TSeekOrigin::soCurrent ? FPosition
                                                          : FSize;
        if (base + Offset < 0)
            throw EStreamError("Stream seek error");
        FPosition = base + Offset;
        return FPosition;
    }
    int64_t Size() override { return FSize; }
    void SetSize(int64_t NewSize) override {
        FSize = std::max<int64_t>(0, NewSize);
        FPosition = std::min(FPosition, FSize);
    }

private:
    int64_t FPosition = 0;
    int64_t FSize = 0;
};

std::filesystem::path FsPath(const TKSString& Name) {
    const AnsiString native = KSToNativePath(Name);
    return std::filesystem::path(std::u8string(native.begin(), native.end()));
}

// What stands at Name, not following a link there.
enum class TEntryKind { Absent, Link, Other };

TEntryKind EntryKind(const TKSString& Name) {
    std::error_code ec;
    const auto st = std::filesystem::symlink_status(FsPath(Name), ec);
    if (std::filesystem::is_symlink(st))
        return TEntryKind::Link;
    return st.type() == std::filesystem::file_type::not_found ? TEntryKind::Absent : TEntryKind::Other;
}

bool IsSymLink(const TKSString& Name) {
    return EntryKind(Name) == TEntryKind::Link;
}

// True when a symbolic link exists at Base + any leading part of Rel (Rel included). Folders that
// were verified before in this run are not looked at again. LastAbsent (when given) tells whether
// nothing at all stands at Base + Rel.
bool PathHasLink(TKSExtractState& S, const TKSString& Base, const TKSString& Rel,
                 bool* LastAbsent = nullptr) {
    if (LastAbsent)
        *LastAbsent = false;
    for (size_t i = 0; i <= Rel.size(); ++i) {
        if (i < Rel.size() && !IsSep(Rel[i]))
            continue;
        // A prefix that ends in a separator is the folder checked one step before.
        if (i == 0 || IsSep(Rel[i - 1]))
            continue;
        const TKSString prefix = Base + Rel.substr(0, i);
        const bool isFolder = i < Rel.size();
        if (isFolder && S.FVerifiedDirs.count(prefix))
            continue;
        const TEntryKind kind = EntryKind(prefix);
        if (kind == TEntryKind::Link)
            return true;
        if (!isFolder && LastAbsent)
            *LastAbsent = kind == TEntryKind::Absent;
        if (isFolder && KSDirectoryExists(prefix))
            S.FVerifiedDirs.insert(prefix);
    }
    return false;
}

uint64_t EffCompSizeForReading(const TDirItem& D) {
    return D.CentralDir.compSize == KSZip64Marker32 ? D.Zip64ExtInfo.compSize : D.CentralDir.compSize;
}

int32_t VolumeOf(const TKSBaseArchiver& Arc, const TDirItem& D) {
    if (D.CentralDir.diskNumberStart != KSZip64Marker16)
        return D.CentralDir.diskNumberStart;
    return Arc.DMHandle && Arc.DMHandle->FZip64 ? static_cast<int32_t>(D.Zip64ExtInfo.diskNumberStart) : 0;
}

int32_t LastVolumeOf(const TKSBaseArchiver& Arc) {
    if (!Arc.DMHandle)
        return 0;
    const auto& end = Arc.DMHandle->CentralDirEnd;
    if (end.diskNumber != KSZip64Marker16)
        return end.diskNumber;
    return Arc.DMHandle->FZip64
               ? static_cast<int32_t>(Arc.DMHandle->Zip64CentralDirEndLocator.totalNumberOfDisks) - 1
               : 0;
}

// Marks the items whose local header starts where an earlier item (in directory order) starts,
// or lies inside another item's data. Data extents are taken from each item's own local header
// (name and extra lengths) where the archive is a single file; positions compare as
// (volume, offset).
void BuildOverlapIndex(TKSBaseArchiver& Arc, TKSExtractState& S) {
    TKSDirArray& dir = Arc.DMHandle->CDir;
    const int32_t n = dir.Count();
    struct Extent {
        int32_t Vol;
        uint64_t Start; // local header
        uint64_t DataStart;
        uint64_t DataEnd;
        int32_t Index;
    };
    std::vector<Extent> ext;
    ext.reserve(static_cast<size_t>(n));
    TStream* in = Arc.FSpanningMode == smNone ? Arc.FCompressedStream : nullptr;
    int64_t saved = in ? in->Position() : 0;
    for (int32_t i = 0; i < n; ++i) {
        const TDirItem& d = *dir.GetItemPtr(i);
        const uint64_t start = d.EffRelOffsetLH();
        uint64_t lengths = static_cast<uint64_t>(d.CentralDir.nameLength) + d.CentralDir.extraLength;
        if (in) {
            TKSZipFileHeader lh{};
            std::array<uint8_t, KSZipFileHeaderSize> bytes{};
            if (start <= static_cast<uint64_t>(INT64_MAX)) {
                in->SetPosition(static_cast<int64_t>(start));
                if (in->Read(bytes.data(), static_cast<int64_t>(bytes.size())) ==
                        static_cast<int64_t>(bytes.size()) &&
                    DecodeRecord(bytes, lh))
                    lengths = static_cast<uint64_t>(lh.nameLength) + lh.extraLength;
            }
        }
        const uint64_t dataStart = start + KSZipFileHeaderSize + lengths;
        const uint64_t comp = EffCompSizeForReading(d);
        const uint64_t dataEnd = comp > UINT64_MAX - dataStart ? UINT64_MAX : dataStart + comp;
        ext.push_back({VolumeOf(Arc, d), start, dataStart, dataEnd, i});
    }
    if (in)
        in->SetPosition(saved);

    S.FOverlaps.assign(static_cast<size_t>(n), 0);

    // Equal starts: all but the first in directory order.
    std::vector<Extent> byStart = ext;
    std::sort(byStart.begin(), byStart.end(), [](const Extent& a, const Extent& b) {
        if (a.Vol != b.Vol)
            return a.Vol < b.Vol;
        if (a.Start != b.Start)
            return a.Start < b.Start;
        return a.Index < b.Index;
    });
    for (size_t k = 1; k < byStart.size(); ++k)
        if (byStart[k].Vol == byStart[k - 1].Vol && byStart[k].Start == byStart[k - 1].Start)
            S.FOverlaps[static_cast<size_t>(byStart[k].Index)] = 1;

    // A header inside another item's data [DataStart, DataEnd): sort by data start, keep the
    // running maximum of the data ends, and look up each header's position.
    std::vector<Extent> byData = ext;
    std::sort(byData.begin(), byData.end(), [](const Extent& a, const Extent& b) {
        if (a.Vol != b.Vol)
            return a.Vol < b.Vol;
        return a.DataStart < b.DataStart;
    });
    std::vector<uint64_t> maxEnd(byData.size());
    for (size_t k = 0; k < byData.size(); ++k) {
        const bool sameVol = k > 0 && byData[k].Vol == byData[k - 1].Vol;
        maxEnd[k] = sameVol ? std::max(maxEnd[k - 1], byData[k].DataEnd) : byData[k].DataEnd;
    }
    for (const Extent& e : ext) {
        // The last extent of the same volume whose data starts at or before this header.
        auto it = std::upper_bound(byData.begin(), byData.end(), e, [](const Extent& v, const Extent& x) {
            if (v.Vol != x.Vol)
                return v.Vol < x.Vol;
            return v.Start < x.DataStart;
        });
        if (it == byData.begin())
            continue;
        const size_t k = static_cast<size_t>(it - byData.begin()) - 1;
        if (byData[k].Vol == e.Vol && maxEnd[k] > e.Start)
            S.FOverlaps[static_cast<size_t>(e.Index)] = 1;
    }
}

// Native 8 when the item overlaps another one (see BuildOverlapIndex).
void CheckOverlap(TKSBaseArchiver& Arc, int32_t ItemNo) {
    TKSExtractState& S = State(Arc);
    const int32_t n = Arc.DMHandle->CDir.Count();
    if (S.FIndexOwner != Arc.DMHandle || S.FIndexCount != n ||
        S.FIndexDirOffset != Arc.DMHandle->CentralDirOffset) {
        BuildOverlapIndex(Arc, S);
        S.FIndexOwner = Arc.DMHandle;
        S.FIndexCount = n;
        S.FIndexDirOffset = Arc.DMHandle->CentralDirOffset;
    }
    if (ItemNo >= 0 && ItemNo < n && S.FOverlaps[static_cast<size_t>(ItemNo)])
        throw EKSException(KSNE_ExtractItemCheck, &Arc);
}

bool IsFolderItem(const TDirItem& D) {
    return (D.CentralDir.externalAttr & faDirectory) != 0 || (!D.Name.empty() && D.Name.back() == u'/');
}

TKSString ToBackslashes(TKSString S) {
    std::replace(S.begin(), S.end(), u'/', u'\\');
    return S;
}

} // namespace

// ---- the component's operations ---------------------------------------------------------------

const TKSRunReport& TKSBaseArchiver::LastRunReport() const {
    static const TKSRunReport empty;
    return FExtractState ? FExtractState->FReport : empty;
}

void TKSBaseArchiver::ResetExtractState() noexcept {
    FExtractState.reset();
}

void TKSBaseArchiver::ExtractFiles(const TKSString& FileMask, int32_t SearchAttr,
                                   const TKSString& ExclusionMask) {
    CheckInactive();
    TagFiles(FileMask, SearchAttr, ExclusionMask);
    ProcessTaggedFiles(poExtract);
}

void TKSBaseArchiver::TestFiles(const TKSString& FileMask, int32_t SearchAttr,
                                const TKSString& ExclusionMask) {
    CheckInactive();
    TagFiles(FileMask, SearchAttr, ExclusionMask);
    ProcessTaggedFiles(poTest);
}

void TKSBaseArchiver::TagFiles(const TKSString& FileMask, int32_t SearchAttr,
                               const TKSString& ExclusionMask) {
    if (!DMHandle)
        return;
    DMHandle->CDir.ClearTags();
    TKSArchiveItem rec;
    for (bool found = FindFirst(FileMask, rec, SearchAttr, ExclusionMask); found; found = FindNext(rec))
        DMHandle->CDir.GetItemPtr(rec.Handle.ItemNo)->Tagged = true;
}

void TKSBaseArchiver::ProcessTaggedFiles(TKSProcessOperation Operation) {
    TKSLockGuard lock(FCSect());
    TKSExtractState& S = State(*this);
    S.FVerifiedDirs.clear();
    S.FRemovableDirs.clear();
    S.FReport = TKSRunReport{};
    S.FReport.Operation = Operation;

    const int32_t total = DMHandle ? DMHandle->CDir.Count() : 0;
    int32_t tagged = 0;
    for (int32_t i = 0; i < total; ++i) {
        TDirItem* d = DMHandle->CDir.GetItemPtr(i);
        if (!d->Tagged)
            continue;
        ++tagged;
        TKSItemReport r;
        r.ItemNo = i;
        r.Name = d->Name;
        S.FReport.Items.push_back(std::move(r));
    }

    FProcessedFileNo = 0;
    FProcessedFileCount = tagged;
    FProgressCancel = false;
    FProgressEnabled = true;

    DoOnOverallProgress(0, Operation, ppStart, FProgressCancel);
    if (FProgressCancel) {
        S.FReport.Cancelled = true;
        return;
    }

    size_t reportIndex = 0;
    bool stop = false;
    for (int32_t i = 0; DMHandle && i < DMHandle->CDir.Count() && !stop; ++i) {
        TDirItem* d = DMHandle->CDir.GetItemPtr(i);
        if (!d->Tagged)
            continue;
        TKSItemReport* report =
            reportIndex < S.FReport.Items.size() ? &S.FReport.Items[reportIndex] : nullptr;
        ++reportIndex;
        d->Operation = Operation;

        TKSAction action = fxaIgnore;
        do {
            action = fxaIgnore;
            const TKSString FName = ToBackslashes(d->Name);
            try {
                S.SetOutcome(TKSItemOutcome::Done, "");
                bool confirm = true;
                DoOnConfirmProcessFile(FName, Operation, confirm);
                if (!confirm) {
                    S.SetOutcome(TKSItemOutcome::Skipped, "not confirmed");
                } else {
                    if (FCurrentDir.empty())
                        FCurrentDir = KSGetCurrentDir();
                    const TKSString Path = GetSlashedDir(FBaseDir, FCurrentDir);
                    DoOnFileProgress(d->Name, 0, Operation, ppStart, FProgressCancel);
                    if (FProgressCancel) {
                        stop = true;
                        break;
                    }
                    if (Operation == poTest)
                        TestTaggedFile(i);
                    else
                        ExtractTaggedFile(i, FName, Path);
                    if (FProgressCancel && S.FOutcome == TKSItemOutcome::Done)
                        S.SetOutcome(TKSItemOutcome::Cancelled, "cancelled");
                    const bool remembered = FProgressCancel;
                    DoOnFileProgress(d->Name, 100, Operation, ppEnd, FProgressCancel);
                    FProgressCancel = remembered || FProgressCancel;
                    if (report) {
                        report->Outcome = S.FOutcome;
                        report->Reason = S.FReason;
                    }
                    if (FProgressCancel) {
                        stop = true;
                        break;
                    }
                    ++FProcessedFileNo;
                }
                if (report && !confirm) {
                    report->Outcome = S.FOutcome;
                    report->Reason = S.FReason;
                }
            } catch (const EKSException& e) {
                if (report) {
                    report->Outcome = TKSItemOutcome::Failed;
                    report->NativeError = e.NativeError;
                    report->ErrorCode = e.ErrorCode;
                    report->Message = e.Message;
                }
                DoOnProcessFileFailure(FName, Operation, e.NativeError, e.ErrorCode, Utf8ToWide(e.Message),
                                       action);
            }
        } while (action == fxaRetry);
        if (action == fxaAbort) {
            S.FReport.Aborted = true;
            stop = true;
        }
        if (FProgressCancel)
            stop = true;
    }

    const bool remembered = FProgressCancel;
    DoOnOverallProgress(100, Operation, ppEnd, FProgressCancel);
    FProgressCancel = remembered || FProgressCancel;
    S.FReport.Cancelled = FProgressCancel;
}

void TKSBaseArchiver::ExtractTaggedFile(int32_t ItemNo, const TKSString& FileName, const TKSString& Path) {
    TKSExtractState& S = State(*this);
    TDirItem* d = DMHandle->CDir.GetItemPtr(ItemNo);
    TKSString FPath = Path;
    uint32_t newAttr = d->CentralDir.externalAttr;

    // The stored name, confined to the target folder.
    TKSString FName;
    if (!KSConfineStoredName(FileName, FName))
        throw EKSException(KSNE_ExtractCreateFile, {FPath + FileName}, this);
    const TKSString confined = FName;
    const uint32_t storedAttr = newAttr;
    DoOnExtractFile(FName, newAttr, d->Comment);
    const bool handlerName = FName != confined;
    // Attributes a handler replaced are applied as DOS bits only.
    const uint8_t hostByte =
        newAttr == storedAttr ? static_cast<uint8_t>(d->CentralDir.versionMadeBy >> 8) : 0;

    if (handlerName && (FName.find(u':') != TKSString::npos || FName.find(u"\\\\") != TKSString::npos))
        FPath.clear();
    const bool relative = !FPath.empty();

    if (!FOptions->CreateDirs()) {
        FName = KSExtractFileName(FName);
    } else {
        const TKSString folderPart = KSExtractFilePath(FName);
        if (!folderPart.empty() || relative) {
            const TKSString folder = FPath + folderPart;
            if (relative && PathHasLink(S, FPath, folderPart))
                throw EKSException(KSNE_ExtractCreateFile, {FPath + FName}, this);
            if (!S.FVerifiedDirs.count(folder)) {
                bool ok = false;
                try {
                    ok = KSForceDirectories(folder);
                } catch (const std::exception&) {
                    ok = false;
                }
                if (!ok)
                    throw EKSException(KSNE_ExtractCreateDir, {folder}, this);
                if (!IsSymLink(folder))
                    S.FVerifiedDirs.insert(folder);
            }
        }
    }

    if (IsFolderItem(*d))
        return;
    if (FName.empty())
        throw EKSException(KSNE_ExtractCreateFile, {FPath + FName}, this);

    TKSString DestFileName = FPath + FName;
    bool absent = false;
    if (relative ? PathHasLink(S, FPath, FName, &absent) : IsSymLink(DestFileName))
        throw EKSException(KSNE_ExtractCreateFile, {DestFileName}, this);
    CheckOverlap(*this, ItemNo);

    const TKSString originalDest = DestFileName;
    bool exists = !absent && KSFileExists(DestFileName);
    if (exists) {
        const uint32_t attr = KSGetFileAttr(DestFileName);
        if (!FOptions->ReplaceReadOnly() && attr != KSInvalidFileAttributes && (attr & faReadOnly)) {
            S.SetOutcome(TKSItemOutcome::Skipped, "read-only file exists");
            return;
        }
        const int32_t itemAge = KSDosDateTime(d->CentralDir.lastModTime, d->CentralDir.lastModDate);
        switch (FOptions->OverwriteMode()) {
        case omPrompt: {
            bool confirm = false;
            DoOnConfirmOverwrite(FName, DestFileName, confirm);
            if (!confirm) {
                S.SetOutcome(TKSItemOutcome::Skipped, "file exists, not overwritten");
                return;
            }
            if (IsSymLink(DestFileName))
                throw EKSException(KSNE_ExtractCreateFile, {DestFileName}, this);
            break;
        }
        case omAlways:
            break;
        case omNever:
            S.SetOutcome(TKSItemOutcome::Skipped, "file exists, not overwritten");
            return;
        case omIfNewer:
            if (!(KSFileAge(DestFileName) < itemAge)) {
                S.SetOutcome(TKSItemOutcome::Skipped, "existing file is not older");
                return;
            }
            break;
        case omIfOlder:
            if (!(KSFileAge(DestFileName) > itemAge)) {
                S.SetOutcome(TKSItemOutcome::Skipped, "existing file is not newer");
                return;
            }
            break;
        default:
            break;
        }
    }

    // Exclusive creation of the output, replacing any file of that name. Stored Unix permissions
    // are given at creation, where the system allows, which spares setting them afterwards.
    uint32_t rights = KSDefaultFileRights;
    const bool unixRights = FOptions->SetAttributes() && KSStoredUnixRights(newAttr, hostByte, rights);
    std::unique_ptr<TKSFileStream> out;
    try {
        // A confirming handler may have named another file.
        if (DestFileName != originalDest)
            exists = KSFileExists(DestFileName);
        if (exists) {
            KSSetFileAttr(DestFileName, 0);
            KSDeleteFile(DestFileName.c_str());
        }
        out = std::make_unique<TKSFileStream>(DestFileName, fmCreate, rights);
    } catch (const std::exception&) {
        throw EKSException(KSNE_ExtractCreateFile, {DestFileName}, this);
    }

    std::exception_ptr failure;
    try {
        ExtractItem(ItemNo, out.get());
    } catch (...) {
        failure = std::current_exception();
    }
    out->SetDosDateTime(KSDosDateTime(d->CentralDir.lastModTime, d->CentralDir.lastModDate));
    if (FOptions->FlushBuffers()) {
        const TKSString folder = KSExtractFilePath(DestFileName);
        auto known = S.FRemovableDirs.find(folder);
        if (known == S.FRemovableDirs.end())
            known = S.FRemovableDirs.emplace(folder, IsRemovableDrive(DestFileName)).first;
        if (known->second)
            out->FlushBuffers();
    }
    const bool rightsGiven = unixRights && out->CreatedWithRights();
    out.reset();
    if (FSkipFile || FProgressCancel || failure) {
        KSDeleteFile(DestFileName.c_str());
        if (FSkipFile && !failure)
            S.SetOutcome(TKSItemOutcome::Skipped, "no password given");
    } else if (FOptions->SetAttributes() && !rightsGiven) {
        KSApplyStoredAttributes(DestFileName, newAttr, hostByte);
    }
    if (failure)
        std::rethrow_exception(failure);
}

void TKSBaseArchiver::TestTaggedFile(int32_t ItemNo) {
    TKSExtractState& S = State(*this);
    TDirItem* d = DMHandle->CDir.GetItemPtr(ItemNo);
    if (IsFolderItem(*d) && EffCompSizeForReading(*d) == 0)
        return;
    TKSNullStream sink;
    ExtractItem(ItemNo, &sink);
    if (FSkipFile)
        S.SetOutcome(TKSItemOutcome::Skipped, "no password given");
}

void TKSBaseArchiver::ExtractItem(int32_t ItemNo, TStream* DestStream) {
    if (!DMHandle || ItemNo < 0 || ItemNo >= DMHandle->CDir.Count())
        throw EKSException(KSNE_ExtractItemIndex, this);
    TDirItem* d = DMHandle->CDir.GetItemPtr(ItemNo);
    CheckOverlap(*this, ItemNo);

    TKSVolumeNumberInfo volume;
    volume.SetLastVolumeNumber(LastVolumeOf(*this));
    volume.SetVolumeNumber(VolumeOf(*this, *d));
    OpenVolume(volume);
    if (!FCompressedStream)
        throw EKSException(KSNE_OpenVolume, this);

    const uint64_t offset = d->EffRelOffsetLH();
    if (offset > static_cast<uint64_t>(INT64_MAX))
        throw EKSException(KSNE_ExtractItemCheck, this);
    FCompressedStream->SetPosition(static_cast<int64_t>(offset));
    const bool ok = InternalDecompressFile(FCompressedStream, DestStream, d);
    if (!ok && !FProgressCancel && !FSkipFile) {
        if (!FExtractCorruptedFiles)
            throw EKSException(KSNE_ExtractItemCheck, this);
        State(*this).SetOutcome(TKSItemOutcome::Corrupted, "failed its checks, kept");
    }
}

} // namespace ks
