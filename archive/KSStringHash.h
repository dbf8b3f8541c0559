// KSStringHash.h -- the hashed index behind a directory's name lookup.
//
// TKSStringHash is a chained hash table of (wide string, integer) pairs. New pairs go to the head
// of their chain, so among equal keys the most recently added one is found first.
//
// TKSHashedStringList is a wide-string list whose IndexOf goes through such a table (the "value
// hash"). The table is built lazily at the first lookup, kept up to date by Add and Update while it
// stays small, dropped once the list outgrows five entries per bucket, and rebuilt with as many
// buckets as entries (at least 1000) at the next lookup.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/KSStrings.h"
#include "platform/KSTypes.h"

namespace ks {

struct THashItem {
    THashItem* Next = nullptr;
    TKSString Key;
    int32_t Value = 0;
};
using PHashItem = THashItem*;
using PPHashItem = PHashItem*;

class TKSStringHash {
public:
    explicit TKSStringHash(uint32_t aSize);
    virtual ~TKSStringHash();
    TKSStringHash(const TKSStringHash&) = delete;
    TKSStringHash& operator=(const TKSStringHash&) = delete;

    // Start with 0; for each UTF-16 code unit: rotate left by 2 bits, then exclusive-or the unit.
    virtual uint32_t HashOf(const TKSString& Key) const;

    // The link (a bucket slot or a Next field) that refers to the first item whose Key equals Key,
    // or the empty link at the end of the chain.
    PPHashItem Find(const TKSString& Key);
    void Add(const TKSString& Key, int32_t Value);
    void Add(TKSString&& Key, int32_t Value);
    void Remove(const TKSString& Key);
    // Unlinks and frees the first item with this Key and this Value; nothing when absent.
    void Remove(const TKSString& Key, int32_t Value);
    // Value of the first item with this Key, or -1.
    int32_t ValueOf(const TKSString& Key);
    void Clear();

    std::vector<PHashItem> Buckets;
    uint32_t Size;

protected:
    // The chain a key lives in. By default HashOf modulo the bucket count; a derived table may
    // spread keys with a stronger function (HashOf itself keeps its values).
    virtual uint32_t BucketOf(const TKSString& Key) const;

private:
    // Items live in chunks owned by the table (a directory's name index holds one item per member,
    // so one allocation per item would dominate loading and closing); removed items are reused.
    PHashItem NewItem();
    void FreeItem(PHashItem Item);
    static constexpr size_t ChunkSize = 1024;
    std::vector<std::unique_ptr<THashItem[]>> FChunks;
    size_t FChunkUsed = ChunkSize;
    PHashItem FFreeItems = nullptr;
};

// Lower-cases like KSLowerCase (Unicode simple case mapping); ASCII text takes a shortcut.
TKSString KSLowerCaseKey(const TKSString& S);

class TKSHashedStringList : public TKSStringList {
public:
    TKSHashedStringList();
    ~TKSHashedStringList() override;

    int Add(const TKSString& S) override;
    void Clear() override;
    int IndexOf(const TKSString& S) const override;

    // Replaces entry Index by NewValue and keeps a valid value hash in step.
    void Update(int Index, const TKSString& NewValue);
    // Positional changes move indexes: the value hash is rebuilt at the next lookup.
    void Insert(int Index, const TKSString& S);
    void Delete(int Index);

    // Number of distinct chains used and longest chain of the current value hash (0, 0 when
    // absent). For measurements.
    void HashStats(uint32_t& UsedBuckets, uint32_t& LongestChain) const;

private:
    TKSString KeyOf(const TKSString& S) const;
    void UpdateValueHash() const;

    mutable std::unique_ptr<TKSStringHash> FValueHash;
    mutable bool FValueHashValid = true;
};

} // namespace ks
