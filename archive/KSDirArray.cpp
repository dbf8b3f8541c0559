// KSDirArray.cpp -- the directory array and its name index.
#include "archive/KSDirArray.h"

#include <algorithm>

#include "archive/KSExcept.h"
#include "platform/KSStrings.h"

namespace ks {

uint64_t TDirItem::EffCompSize() const {
    return CentralDir.compSize == KSZip64Marker32 ? Zip64ExtInfo.compSize : CentralDir.compSize;
}

uint64_t TDirItem::EffUnCompSize() const {
    return CentralDir.unCompSize == KSZip64Marker32 ? Zip64ExtInfo.uncompSize : CentralDir.unCompSize;
}

uint64_t TDirItem::EffRelOffsetLH() const {
    return CentralDir.relOffsetLH == KSZip64Marker32 ? Zip64ExtInfo.relOffsetLH : CentralDir.relOffsetLH;
}

void TDirItem::SetEffRelOffsetLH(uint64_t Value) {
    if (CentralDir.relOffsetLH == KSZip64Marker32)
        Zip64ExtInfo.relOffsetLH = Value;
    else
        CentralDir.relOffsetLH = static_cast<uint32_t>(Value);
}

TKSDirArray::TKSDirArray() = default;

TKSDirArray::~TKSDirArray() {
    Clear();
}

void TKSDirArray::FreeExtraFields(TDirItem& Item) {
    Item.ExtraFields.clear();
    Item.ExtraFields.shrink_to_fit();
}

void TKSDirArray::MaterializeNames() const {
    if (FPendingNames == 0)
        return;
    const int32_t First = FItemNamesList.Count();
    const int32_t Last = First + FPendingNames;
    FPendingNames = 0;
    for (int32_t i = First; i < Last; ++i)
        FItemNamesList.Add(KSLowerCaseKey(FItems[static_cast<size_t>(i)].Name));
}

void TKSDirArray::SetCount(int32_t Value) {
    Value = std::max(Value, 0);
    // Implicit name entries refer to items; items about to be blanked hand theirs over first.
    if (Value < FItemNamesList.Count() + FPendingNames)
        MaterializeNames();
    if (Value > AllocItemCount) {
        AllocBy = std::min(AllocBy * 2, MaxAllocBy);
        const int64_t Grown = static_cast<int64_t>(AllocItemCount) + AllocBy;
        const int32_t NewCapacity = Grown > Value ? static_cast<int32_t>(Grown) : Value;
        // Slots that were in use before and went out of use were blanked when they left, so only
        // the new slots need initialising, which resize does.
        FItems.resize(static_cast<size_t>(NewCapacity));
        AllocItemCount = NewCapacity;
    } else if (Value == 0) {
        FItems.clear();
        FItems.shrink_to_fit();
        AllocItemCount = 0;
    } else if (Value < ItemCount) {
        // Slots leaving the directory are blanked now, so that they come back as blank items.
        std::fill(FItems.begin() + Value, FItems.begin() + ItemCount, TDirItem{});
    }
    ItemCount = Value;
}

TDirItem TKSDirArray::GetItem(int32_t Index) const {
    if (Index < 0 || Index >= ItemCount)
        throw EKSException(2, nullptr);
    return FItems[static_cast<size_t>(Index)];
}

PDirItem TKSDirArray::GetItemPtr(int32_t Index) {
    if (Index < 0 || Index >= ItemCount)
        throw EKSException(3, nullptr);
    return &FItems[static_cast<size_t>(Index)];
}

void TKSDirArray::Clear() {
    // Items in use are blanked, which frees their extra buffers (and their strings).
    std::fill(FItems.begin(), FItems.begin() + ItemCount, TDirItem{});
    ItemCount = 0;
    FItemNamesList.Clear();
    FPendingNames = 0;
    FLastEmptyName = -1;
}

void TKSDirArray::ClearTags() {
    for (int32_t i = 0; i < ItemCount; ++i)
        FItems[static_cast<size_t>(i)].Tagged = false;
}

void TKSDirArray::SetItemName(int32_t Index, TKSString Name) {
    PDirItem Item = GetItemPtr(Index);
    int Found = FLastEmptyName;
    if (!Item->Name.empty()) {
        MaterializeNames();
        Found = FItemNamesList.IndexOf(KSLowerCaseKey(Item->Name));
    }
    if (Found >= 0 && Found != Index)
        throw EKSException(59, nullptr);
    if (Found < 0 && Index == FItemNamesList.Count() + FPendingNames) {
        // The usual case while a directory is read: the next item in order gets its first name.
        ++FPendingNames;
        if (Name.empty())
            FLastEmptyName = std::max(FLastEmptyName, Index);
        Item->Name = std::move(Name);
        return;
    }
    MaterializeNames();
    if (Found == Index) {
        const bool WasEmpty = FItemNamesList[Index].empty();
        FItemNamesList.Update(Index, KSLowerCaseKey(Name));
        if (Name.empty())
            FLastEmptyName = std::max(FLastEmptyName, Index);
        else if (WasEmpty && FLastEmptyName == Index) {
            FLastEmptyName = -1;
            for (int32_t i = Index - 1; i >= 0 && FLastEmptyName < 0; --i)
                if (FItemNamesList[i].empty())
                    FLastEmptyName = i;
        }
    } else {
        const int32_t Added = FItemNamesList.Add(KSLowerCaseKey(Name));
        if (Name.empty())
            FLastEmptyName = std::max(FLastEmptyName, Added);
    }
    Item->Name = std::move(Name);
}

int32_t TKSDirArray::IndexOfName(const TKSString& Name) const {
    MaterializeNames();
    return FItemNamesList.IndexOf(KSLowerCaseKey(Name));
}

} // namespace ks
