// KSDirArray.h -- the in-memory directory of an open archive.
//
// One TDirItem per archive member, kept in a growable array together with a hashed index of the
// members' lower-cased names. Entry i of the name index always belongs to item i once the item has
// been named through SetItemName (or the array cleared).
#pragma once

#include <cstdint>
#include <vector>

#include "archive/KSEnums.h"
#include "archive/KSStringHash.h"
#include "archive/ZipRecords.h"
#include "platform/KSTypes.h"

namespace ks {

struct TDirItem {
    TKSZipCentralDir CentralDir{}; // the central header as read (sizes/offset may hold the marker)
    TKSString Name;                // forward slashes, folders end with "/"
    AnsiString Comment;            // raw bytes
    std::vector<TKSExtraFieldDataBlock> ExtraFields; // every block read; each owns its pData
    TKSCryptoAlgorithm KSEncryptionAlgorithm = caPkzipClassic;
    bool bHugeFile = false;              // the item uses Zip64 values
    TKSZip64ExtendedInfo Zip64ExtInfo{}; // valid where the CentralDir field holds the marker
    bool Tagged = false;
    uint16_t CompressionMethod = 0;        // the method that really compressed the data
    TKSProcessOperation Operation = poAdd; // zero, like every other field of a blank item

    // Effective values: the 64-bit value where the 32-bit field holds the Zip64 marker.
    uint64_t EffCompSize() const;
    uint64_t EffUnCompSize() const;
    uint64_t EffRelOffsetLH() const;
    void SetEffRelOffsetLH(uint64_t Value);
};
using PDirItem = TDirItem*;

class TKSDirArray {
public:
    TKSDirArray();
    virtual ~TKSDirArray();
    TKSDirArray(const TKSDirArray&) = delete;
    TKSDirArray& operator=(const TKSDirArray&) = delete;

    int32_t GetCount() const { return ItemCount; }
    int32_t Count() const { return ItemCount; }
    // Grows (in steps 1000, 2000, 4000, 8000, then 10000) or shrinks the count; new slots are
    // blank items. 0 releases the storage. The name index is not touched: callers name new items
    // through SetItemName.
    void SetCount(int32_t Value);

    // A shallow copy for reading: its extra blocks point at the stored item's buffers. Native 2
    // when Index is out of range.
    TDirItem GetItem(int32_t Index) const;
    TDirItem Items(int32_t Index) const { return GetItem(Index); }
    // The item in place. Native 3 when Index is out of range.
    PDirItem GetItemPtr(int32_t Index);
    PDirItem ItemsPtr(int32_t Index) { return GetItemPtr(Index); }

    // Frees every item's extra buffers, count 0, name index cleared; the capacity stays.
    void Clear();
    void ClearTags();

    // Names item Index (case kept) and keeps the lower-cased name index in step. Native 59 when the
    // item's current name is indexed at another position (e.g. a second item with an empty name).
    void SetItemName(int32_t Index, TKSString Name);

    // Index of the item with this name (case-insensitive); among equal names the highest index.
    // -1 when absent.
    int32_t IndexOfName(const TKSString& Name) const;

    const TKSHashedStringList& ItemNamesList() const {
        MaterializeNames();
        return FItemNamesList;
    }
    int32_t Capacity() const { return AllocItemCount; }

    // Frees the pData buffers of one item's extra blocks and empties its extra array.
    static void FreeExtraFields(TDirItem& Item);

private:
    std::vector<TDirItem> FItems; // its length is the allocated capacity
    // The name index. Entries of items named in order, one after another, are kept implicit until
    // something looks at the index: the FPendingNames entries after the list's last one are the
    // lower-cased names of the items with the same indexes. Listing a directory thus never builds
    // the index; the first lookup does, once.
    mutable TKSHashedStringList FItemNamesList;
    mutable int32_t FPendingNames = 0;
    // Highest index whose name-list entry is empty, or -1. A fresh item's name is empty, so naming
    // it asks exactly this.
    int32_t FLastEmptyName = -1;
    void MaterializeNames() const;
    int32_t AllocBy = 500;
    int32_t MaxAllocBy = 10000;
    int32_t AllocItemCount = 0;
    int32_t ItemCount = 0;
};

} // namespace ks
