// KSStringHash.cpp -- the chained string hash and the hashed string list.
#include "archive/KSStringHash.h"

#include <algorithm>

#include "platform/KSStrings.h"

namespace ks {

namespace {

// The value hash of a hashed list. Names of a directory often differ only in a few digits
// ("d000/file000123.txt"), which the rotate-and-xor HashOf folds onto a few thousand values; the
// chains are therefore chosen with a hash that mixes every code unit into all bits (FNV-1a over
// the code units followed by a final avalanche). HashOf itself keeps its values.
class TKSValueHash : public TKSStringHash {
public:
    using TKSStringHash::TKSStringHash;

protected:
    uint32_t BucketOf(const TKSString& Key) const override {
        uint32_t h = 2166136261u;
        for (TKSChar c : Key) {
            h ^= static_cast<uint32_t>(c);
            h *= 16777619u;
        }
        h ^= h >> 16;
        h *= 0x85EBCA6Bu;
        h ^= h >> 13;
        h *= 0xC2B2AE35u;
        h ^= h >> 16;
        return h % static_cast<uint32_t>(Buckets.size());
    }
};

} // namespace

TKSString KSLowerCaseKey(const TKSString& S) {
    for (TKSChar c : S)
        if (c >= 0x80)
            return KSLowerCase(S);
    TKSString Result(S);
    for (TKSChar& c : Result)
        if (c >= u'A' && c <= u'Z')
            c = static_cast<TKSChar>(c + (u'a' - u'A'));
    return Result;
}

// ---- TKSStringHash ---------------------------------------------------------------------------

TKSStringHash::TKSStringHash(uint32_t aSize) : Buckets(std::max<uint32_t>(aSize, 1), nullptr), Size(aSize) {}

TKSStringHash::~TKSStringHash() {
    Clear();
}

uint32_t TKSStringHash::HashOf(const TKSString& Key) const {
    uint32_t Result = 0;
    for (TKSChar c : Key)
        Result = ((Result << 2) | (Result >> 30)) ^ static_cast<uint32_t>(c);
    return Result;
}

uint32_t TKSStringHash::BucketOf(const TKSString& Key) const {
    return HashOf(Key) % static_cast<uint32_t>(Buckets.size());
}

PPHashItem TKSStringHash::Find(const TKSString& Key) {
    PPHashItem Link = &Buckets[BucketOf(Key)];
    while (*Link != nullptr) {
        if ((*Link)->Key == Key)
            return Link;
        Link = &(*Link)->Next;
    }
    return Link;
}

PHashItem TKSStringHash::NewItem() {
    if (FFreeItems != nullptr) {
        PHashItem Item = FFreeItems;
        FFreeItems = Item->Next;
        return Item;
    }
    if (FChunkUsed == ChunkSize) {
        FChunks.push_back(std::make_unique<THashItem[]>(ChunkSize));
        FChunkUsed = 0;
    }
    return &FChunks.back()[FChunkUsed++];
}

void TKSStringHash::FreeItem(PHashItem Item) {
    TKSString().swap(Item->Key);
    Item->Next = FFreeItems;
    FFreeItems = Item;
}

void TKSStringHash::Add(const TKSString& Key, int32_t Value) {
    Add(TKSString(Key), Value);
}

void TKSStringHash::Add(TKSString&& Key, int32_t Value) {
    PHashItem& Head = Buckets[BucketOf(Key)];
    PHashItem Item = NewItem();
    Item->Next = Head;
    Item->Key = std::move(Key);
    Item->Value = Value;
    Head = Item;
}

void TKSStringHash::Remove(const TKSString& Key) {
    PPHashItem Link = Find(Key);
    PHashItem Item = *Link;
    if (Item == nullptr)
        return;
    *Link = Item->Next;
    FreeItem(Item);
}

void TKSStringHash::Remove(const TKSString& Key, int32_t Value) {
    PPHashItem Link = &Buckets[BucketOf(Key)];
    while (*Link != nullptr) {
        PHashItem Item = *Link;
        if (Item->Value == Value && Item->Key == Key) {
            *Link = Item->Next;
            FreeItem(Item);
            return;
        }
        Link = &Item->Next;
    }
}

int32_t TKSStringHash::ValueOf(const TKSString& Key) {
    PHashItem Item = *Find(Key);
    return Item != nullptr ? Item->Value : -1;
}

void TKSStringHash::Clear() {
    std::fill(Buckets.begin(), Buckets.end(), nullptr);
    FChunks.clear();
    FChunkUsed = ChunkSize;
    FFreeItems = nullptr;
}

// ---- TKSHashedStringList ---------------------------------------------------------------------

TKSHashedStringList::TKSHashedStringList() = default;

TKSHashedStringList::~TKSHashedStringList() {
    FValueHash.reset();
}

TKSString TKSHashedStringList::KeyOf(const TKSString& S) const {
    return CaseSensitive() ? S : KSLowerCaseKey(S);
}

int TKSHashedStringList::Add(const TKSString& S) {
    const int I = TKSStringList::Add(S);
    if (FValueHash && FValueHashValid)
        FValueHash->Add(KeyOf(S), I);
    if (FValueHash && static_cast<uint64_t>(Count()) > 5ull * FValueHash->Size) {
        FValueHash.reset();
        FValueHashValid = false;
    }
    return I;
}

void TKSHashedStringList::Update(int Index, const TKSString& NewValue) {
    const bool Hashed = FValueHash && FValueHashValid;
    if (Hashed)
        FValueHash->Remove(KeyOf(Strings(Index)), Index);
    Put(Index, NewValue);
    if (Hashed)
        FValueHash->Add(KeyOf(NewValue), Index);
}

void TKSHashedStringList::Insert(int Index, const TKSString& S) {
    TKSStringList::Insert(Index, S);
    FValueHashValid = false;
}

void TKSHashedStringList::Delete(int Index) {
    TKSStringList::Delete(Index);
    FValueHashValid = false;
}

void TKSHashedStringList::Clear() {
    TKSStringList::Clear();
    if (FValueHash)
        FValueHash->Clear();
    FValueHashValid = true;
}

void TKSHashedStringList::UpdateValueHash() const {
    if (!FValueHash) {
        // A new table is always filled from the list: entries added while no table existed must
        // be found too.
        FValueHash = std::make_unique<TKSValueHash>(static_cast<uint32_t>(std::max(Count(), 1000)));
        FValueHashValid = false;
    }
    if (FValueHashValid)
        return;
    FValueHash->Clear();
    for (int i = 0; i < Count(); ++i)
        FValueHash->Add(KeyOf(Strings(i)), i);
    FValueHashValid = true;
}

int TKSHashedStringList::IndexOf(const TKSString& S) const {
    UpdateValueHash();
    return FValueHash->ValueOf(KeyOf(S));
}

void TKSHashedStringList::HashStats(uint32_t& UsedBuckets, uint32_t& LongestChain) const {
    UsedBuckets = 0;
    LongestChain = 0;
    if (!FValueHash)
        return;
    for (PHashItem Head : FValueHash->Buckets) {
        uint32_t Length = 0;
        for (PHashItem Item = Head; Item != nullptr; Item = Item->Next)
            ++Length;
        if (Length > 0)
            ++UsedBuckets;
        LongestChain = std::max(LongestChain, Length);
    }
}

} // namespace ks
