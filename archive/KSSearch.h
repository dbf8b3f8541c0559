// KSSearch.h -- the search record that FindFirst/FindNext fill, and the item-matching rules.
//
// The search state lives entirely in the caller's TKSArchiveItem; the component keeps none, so
// several searches may run over one open archive at the same time.
#pragma once

#include <cstdint>

#include "platform/KSFiles.h"
#include "platform/KSTypes.h"

namespace ks {

// Search state; callers do not touch it.
struct TInternalSearchRec {
    int32_t ItemNo = 0; // index in the directory of the last item found
    // The file mask with its drive part removed and "/" as folder separator. It is kept whole,
    // however long: a long mask is never cut down to a shorter one that would match other names.
    TKSString CFindMask;
    bool FWildCards = false; // the mask holds '*' or '?'
    int32_t FFindAttr = 0;   // the attribute filter
    TKSString ExclusionMask; // as the caller gave it
    bool UseProperties = false;
};

struct TKSArchiveItem {
    TKSString FileName;   // last component of the stored name (a folder gives its own name)
    TKSString StoredPath; // folder part with '\' separators, ending in '\'; empty at the root
    int64_t CompressedSize = 0;
    int64_t UncompressedSize = 0;
    double CompressionRate = 0; // space saving in per cent, 0..100
    bool Encrypted = false;
    uint16_t LastModFileDate = 0;
    uint16_t LastModFileTime = 0;
    uint32_t CRC = 0;
    uint32_t ExternalFileAttributes = 0;
    AnsiString Comment;
    TInternalSearchRec Handle;
};

// The attribute bits that exclude an item unless the filter names them: hidden, system, volume
// label and directory (30). The bits themselves are those of platform/KSFiles.h.
constexpr uint32_t faSpecial = faHidden | faSysFile | faVolumeID | faDirectory;

// One name against one mask: "*.*" counts as "*", a mask ending in '.' finds names without an
// extension, case is ignored. An empty mask matches nothing.
bool IsInternalFileMatchMask(const TKSString& FileName, const TKSString& FileMask);

// The attribute filter: hidden, system, volume-label and folder bits exclude an item unless the
// same bit is in SearchAttr; read-only and archive bits never exclude.
bool CheckAttributesMatch(int32_t FileAttr, int32_t SearchAttr);

} // namespace ks
