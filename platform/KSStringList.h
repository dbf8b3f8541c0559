// KSStringList.h -- an ordered list of wide strings, case-insensitive by default.
//
// Add, Clear and IndexOf are virtual so that a derived list can keep an index beside the strings
// (the engine's hashed name list does). With Sorted set, Add inserts at the sorted position and
// IndexOf uses binary search; otherwise the list keeps insertion order and IndexOf scans.
#pragma once

#include <vector>

#include "platform/KSComponent.h"
#include "platform/KSException.h"
#include "platform/KSTypes.h"

namespace ks {

class TKSStringList : public TPersistent {
public:
    TKSStringList() = default;
    TKSStringList(const TKSStringList& Other) : TPersistent() { Assign(Other); }
    TKSStringList& operator=(const TKSStringList& Other) {
        if (this != &Other)
            Assign(Other);
        return *this;
    }
    ~TKSStringList() override = default;

    // Appends S (or inserts it at its sorted place) and returns its index. Duplicates are kept.
    virtual int Add(const TKSString& S);
    // Empties the list.
    virtual void Clear();
    // Index of the first string equal to S under the list's comparison, or -1.
    virtual int IndexOf(const TKSString& S) const;

    // Inserts at Index (0..Count); not allowed on a sorted list (raises ks::Exception).
    void Insert(int Index, const TKSString& S);
    void Delete(int Index);
    int Count() const { return static_cast<int>(FItems.size()); }
    bool IsEmpty() const { return FItems.empty(); }

    // Read access; an index outside 0..Count-1 raises ks::Exception ("List index out of bounds").
    const TKSString& operator[](int Index) const;
    const TKSString& Strings(int Index) const { return (*this)[Index]; }
    // Replaces the string at Index in place (a sorted list is not re-sorted).
    void Put(int Index, const TKSString& S);

    // Copies the strings, the case sensitivity and the sorted flag of Source. Implemented with
    // Clear and Add, so a derived list's index follows.
    void Assign(const TKSStringList& Source);

    bool CaseSensitive() const { return FCaseSensitive; }
    void SetCaseSensitive(bool Value); // re-sorts a sorted list
    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value); // sorting a list keeps equal strings in their order
    void Sort();

    // <0, 0, >0 under the list's comparison (code points, after simple upper-casing unless
    // CaseSensitive).
    int CompareStrings(const TKSString& S1, const TKSString& S2) const;

    std::vector<TKSString>::const_iterator begin() const { return FItems.begin(); }
    std::vector<TKSString>::const_iterator end() const { return FItems.end(); }

protected:
    // Primitive steps for derived lists; they bypass the virtual operations.
    int InsertItem(int Index, const TKSString& S);
    // Binary search on a sorted list: true when found; Index is the first match or the insert place.
    bool Find(const TKSString& S, int& Index) const;

private:
    std::vector<TKSString> FItems;
    bool FCaseSensitive = false;
    bool FSorted = false;
};

} // namespace ks
