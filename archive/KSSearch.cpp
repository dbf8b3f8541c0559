// KSSearch.cpp -- FindFirst/FindNext over the loaded directory, and the item-matching rules.
//
// The scan reads only the directory in memory, linearly from the search position; it never
// touches the archive file.
#include "archive/KSSearch.h"

#include <algorithm>

#include "archive/KSBaseArchiver.h"
#include "archive/KSDirManager.h"
#include "archive/KSStrFunc.h"
#include "platform/KSFiles.h"
#include "platform/KSStrings.h"

namespace ks {

namespace {

void ReplaceChar(TKSString& S, TKSChar From, TKSChar To) {
    std::replace(S.begin(), S.end(), From, To);
}

// The folder part of a stored name (or of a mask) in the form the non-recursive search compares:
// one trailing "/" dropped, "\" separators, lower case.
TKSString FolderKey(TKSString Name) {
    if (!Name.empty() && Name.back() == u'/')
        Name.pop_back();
    ReplaceChar(Name, u'/', u'\\');
    return KSLowerCase(KSExtractFilePath(Name));
}

bool EndsWith(const TKSString& S, TKSChar C) {
    return !S.empty() && S.back() == C;
}

} // namespace

bool IsInternalFileMatchMask(const TKSString& FileName, const TKSString& FileMask) {
    if (FileMask.empty())
        return false;
    TKSString Mask;
    const TKSString::size_type StarDotStar = FileMask.find(u"*.*");
    if (StarDotStar != TKSString::npos) {
        Mask.reserve(FileMask.size() - 2);
        Mask.append(FileMask, 0, StarDotStar).append(1, u'*').append(FileMask, StarDotStar + 3);
    } else {
        Mask = FileMask;
    }
    const bool NoExtensionMask = EndsWith(FileMask, u'.');
    if (NoExtensionMask)
        Mask.pop_back();
    bool Matched;
    if (EndsWith(FileName, u'.')) {
        const TKSString Trimmed(FileName, 0, FileName.size() - 1);
        Matched = WIsStrMatchPattern(Trimmed.c_str(), Mask.c_str(), true);
    } else {
        Matched = WIsStrMatchPattern(FileName.c_str(), Mask.c_str(), true);
    }
    if (Matched && NoExtensionMask) {
        const TKSString Ext = KSExtractFileExt(FileName);
        Matched = Ext.empty() || Ext == u".";
    }
    return Matched;
}

bool CheckAttributesMatch(int32_t FileAttr, int32_t SearchAttr) {
    const uint32_t Excluded = faSpecial & ~static_cast<uint32_t>(SearchAttr);
    return (static_cast<uint32_t>(FileAttr) & Excluded) == 0;
}

bool TKSBaseArchiver::FindFirst(const TKSString& FileMask, TKSArchiveItem& F, int32_t SearchAttr,
                                const TKSString& ExclusionMask) {
    if (!FActive || !DMHandle)
        return false;
    TKSString Mask = FileMask;
    // The drive part: a letter and a colon, or a "\\server\share" prefix.
    const size_t Drive = KSExtractFileDrive(Mask).size();
    if (Drive > 0 && FOptions->FStorePath != spFullPathWithDrive)
        Mask.erase(0, Drive);
    ReplaceChar(Mask, u'\\', u'/');
    F.Handle.CFindMask = Mask;
    F.Handle.ExclusionMask = ExclusionMask;
    F.Handle.UseProperties = false;
    F.Handle.FWildCards = Mask.find_first_of(u"*?") != TKSString::npos;
    F.Handle.FFindAttr = SearchAttr;
    F.Handle.ItemNo = 0;
    return InternalFind(F);
}

bool TKSBaseArchiver::FindNext(TKSArchiveItem& F) {
    if (!FActive || !DMHandle)
        return false;
    // Past the end the position stays put, so FindNext keeps returning false.
    if (F.Handle.ItemNo < DMHandle->CDir.Count())
        ++F.Handle.ItemNo;
    return InternalFind(F);
}

bool TKSBaseArchiver::InternalFind(TKSArchiveItem& F) {
    if (!FActive || !DMHandle)
        return false;
    TKSDirArray& Dir = DMHandle->CDir;
    const int32_t Count = Dir.Count();
    TKSString MaskFolder;
    if (!FOptions->FRecurse)
        MaskFolder = FolderKey(F.Handle.CFindMask);
    int32_t Found = -1;
    for (int32_t i = std::max<int32_t>(F.Handle.ItemNo, 0); i < Count; ++i) {
        const TDirItem& Item = *Dir.GetItemPtr(i);
        if (!FOptions->FRecurse && FolderKey(Item.Name) != MaskFolder)
            continue;
        if (!IsItemMatches(i, F))
            continue;
        if (CheckAttributesMatch(static_cast<int32_t>(Item.CentralDir.externalAttr), F.Handle.FFindAttr)) {
            Found = i;
            break;
        }
    }
    if (Found < 0)
        return false;
    const TDirItem& Item = *Dir.GetItemPtr(Found);
    F.Handle.ItemNo = Found;
    TKSString Name = Item.Name;
    ReplaceChar(Name, u'/', u'\\');
    if (EndsWith(Name, u'\\'))
        Name.pop_back();
    F.FileName = KSExtractFileName(Name);
    F.StoredPath = KSExtractFilePath(Name);
    const TKSZipCentralDir& CD = Item.CentralDir;
    F.CompressedSize =
        static_cast<int64_t>(CD.compSize == KSZip64Marker32 ? Item.Zip64ExtInfo.compSize : CD.compSize);
    F.UncompressedSize =
        static_cast<int64_t>(CD.unCompSize == KSZip64Marker32 ? Item.Zip64ExtInfo.uncompSize : CD.unCompSize);
    if (F.UncompressedSize > 0) {
        F.CompressionRate =
            (1.0 - static_cast<double>(F.CompressedSize) / static_cast<double>(F.UncompressedSize)) * 100.0;
        if (F.CompressionRate < 0)
            F.CompressionRate = 0;
    } else {
        F.CompressionRate = 100;
    }
    F.Encrypted = (CD.genPurposeFlag & 1) != 0;
    F.LastModFileDate = CD.lastModDate;
    F.LastModFileTime = CD.lastModTime;
    F.CRC = CD.crc32;
    F.ExternalFileAttributes = CD.externalAttr;
    F.Comment = Item.Comment;
    return true;
}

bool TKSBaseArchiver::IsItemMatches(int32_t ItemNo, TKSArchiveItem& F) {
    const TDirItem& Item = *DMHandle->CDir.GetItemPtr(ItemNo);
    TKSString FileName = Item.Name;
    if (EndsWith(FileName, u'/') || EndsWith(FileName, u'\\'))
        FileName.pop_back();
    const TKSString& Mask = F.Handle.CFindMask;
    bool Matched = IsInternalFileMatchMask(FileName, Mask);
    if (!Matched) {
        TKSString Backslashed = FileName;
        ReplaceChar(Backslashed, u'/', u'\\');
        Matched = IsInternalFileMatchMask(KSExtractFileName(Backslashed), Mask);
    }
    if (Matched && IsInternalFileMatchMask(FileName, F.Handle.ExclusionMask))
        return false;
    return Matched;
}

} // namespace ks
