// KSStringList.cpp -- the ordered wide string list.
#include <algorithm>

#include "platform/KSException.h"
#include "platform/KSStrings.h"

namespace ks {

namespace {
[[noreturn]] void RaiseIndexError(int Index) {
    throw Exception("List index out of bounds (" + std::to_string(Index) + ")");
}
} // namespace

int TKSStringList::CompareStrings(const TKSString& S1, const TKSString& S2) const {
    return FCaseSensitive ? KSCompareStr(S1, S2) : KSCompareText(S1, S2);
}

bool TKSStringList::Find(const TKSString& S, int& Index) const {
    // Lower bound: the first position whose string is not less than S.
    int Lo = 0, Hi = Count();
    while (Lo < Hi) {
        const int Mid = Lo + (Hi - Lo) / 2;
        if (CompareStrings(FItems[static_cast<std::size_t>(Mid)], S) < 0)
            Lo = Mid + 1;
        else
            Hi = Mid;
    }
    Index = Lo;
    return Lo < Count() && CompareStrings(FItems[static_cast<std::size_t>(Lo)], S) == 0;
}

int TKSStringList::InsertItem(int Index, const TKSString& S) {
    FItems.insert(FItems.begin() + Index, S);
    return Index;
}

int TKSStringList::Add(const TKSString& S) {
    if (!FSorted)
        return InsertItem(Count(), S);
    int Index;
    // Equal strings go after the ones already present, so duplicates keep their order.
    Find(S, Index);
    while (Index < Count() && CompareStrings(FItems[static_cast<std::size_t>(Index)], S) == 0)
        ++Index;
    return InsertItem(Index, S);
}

void TKSStringList::Clear() {
    FItems.clear();
}

int TKSStringList::IndexOf(const TKSString& S) const {
    if (FSorted) {
        int Index;
        return Find(S, Index) ? Index : -1;
    }
    for (std::size_t I = 0; I < FItems.size(); ++I)
        if (CompareStrings(FItems[I], S) == 0)
            return static_cast<int>(I);
    return -1;
}

void TKSStringList::Insert(int Index, const TKSString& S) {
    if (FSorted)
        throw Exception("Operation not allowed on sorted list");
    if (Index < 0 || Index > Count())
        RaiseIndexError(Index);
    InsertItem(Index, S);
}

void TKSStringList::Delete(int Index) {
    if (Index < 0 || Index >= Count())
        RaiseIndexError(Index);
    FItems.erase(FItems.begin() + Index);
}

const TKSString& TKSStringList::operator[](int Index) const {
    if (Index < 0 || Index >= Count())
        RaiseIndexError(Index);
    return FItems[static_cast<std::size_t>(Index)];
}

void TKSStringList::Put(int Index, const TKSString& S) {
    if (Index < 0 || Index >= Count())
        RaiseIndexError(Index);
    FItems[static_cast<std::size_t>(Index)] = S;
}

void TKSStringList::Assign(const TKSStringList& Source) {
    if (&Source == this)
        return;
    // Copy first: Source may be a derived list whose strings we read while clearing ours.
    const std::vector<TKSString> Items = Source.FItems;
    Clear();
    FCaseSensitive = Source.FCaseSensitive;
    FSorted = false;
    for (const auto& S : Items)
        Add(S);
    FSorted = Source.FSorted;
}

void TKSStringList::SetCaseSensitive(bool Value) {
    if (Value == FCaseSensitive)
        return;
    FCaseSensitive = Value;
    if (FSorted)
        Sort();
}

void TKSStringList::SetSorted(bool Value) {
    if (Value == FSorted)
        return;
    if (Value)
        Sort();
    FSorted = Value;
}

void TKSStringList::Sort() {
    std::stable_sort(FItems.begin(), FItems.end(),
                     [this](const TKSString& A, const TKSString& B) { return CompareStrings(A, B) < 0; });
}

} // namespace ks
