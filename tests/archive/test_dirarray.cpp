// Directory model: the item array, its growth and name index, the string hash and hashed list, and
// the volume descriptor.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "archive/KSDirArray.h"
#include "archive/KSExcept.h"
#include "archive/KSStringHash.h"
#include "archive/KSVolumeNumberInfo.h"
#include "platform/KSStrings.h"

namespace ks {
namespace {

TKSString W(const std::string& S) {
    return TKSString(S.begin(), S.end());
}

int32_t NativeOf(const std::function<void()>& F) {
    try {
        F();
    } catch (const EKSException& E) {
        return E.NativeError;
    }
    return -1;
}

// ---- TKSDirArray growth ------------------------------------------------------------------------

TEST(DirArray, GrowthStepsDoubleFromOneThousandUpToTenThousand) {
    TKSDirArray A;
    struct Step {
        int32_t Count, Capacity;
    };
    // Each request just exceeds the capacity, so each growth adds one step.
    const Step Steps[] = {{3, 1000},      {1001, 3000},   {3001, 7000},  {7001, 15000},
                          {15001, 25000}, {25001, 35000}, {35001, 45000}};
    for (const Step& S : Steps) {
        A.SetCount(S.Count);
        EXPECT_EQ(A.Count(), S.Count);
        EXPECT_EQ(A.Capacity(), S.Capacity) << "after SetCount(" << S.Count << ")";
    }
    A.SetCount(10); // shrinking keeps the storage
    EXPECT_EQ(A.Capacity(), 45000);
    A.SetCount(0);
    EXPECT_EQ(A.Count(), 0);
    EXPECT_EQ(A.Capacity(), 0);
}

TEST(DirArray, LargeFirstRequestAllocatesExactly) {
    TKSDirArray A;
    A.SetCount(100000);
    EXPECT_EQ(A.Capacity(), 100000);
}

TEST(DirArray, SlotsComingBackIntoUseAreBlank) {
    TKSDirArray A;
    A.SetCount(3);
    PDirItem Item = A.GetItemPtr(2);
    Item->Tagged = true;
    Item->bHugeFile = true;
    Item->KSEncryptionAlgorithm = caAES_256;
    Item->Comment = "note";
    Item->CentralDir.crc32 = 0x12345678;
    Item->ExtraFields.push_back(TKSExtraFieldDataBlock{0x5455, 3, {1, 2, 3}});
    A.SetCount(1);
    A.SetCount(3);
    const TDirItem Back = A.GetItem(2);
    EXPECT_FALSE(Back.Tagged);
    EXPECT_FALSE(Back.bHugeFile);
    EXPECT_EQ(Back.KSEncryptionAlgorithm, caPkzipClassic);
    EXPECT_TRUE(Back.Comment.empty());
    EXPECT_EQ(Back.CentralDir.crc32, 0u);
    EXPECT_TRUE(Back.ExtraFields.empty());
}

TEST(DirArray, ClearEmptiesItemsAndNamesButKeepsCapacity) {
    TKSDirArray A;
    A.SetCount(2);
    A.SetItemName(0, u"a.txt");
    A.SetItemName(1, u"b.txt");
    A.GetItemPtr(1)->ExtraFields.push_back(TKSExtraFieldDataBlock{1, 1, {9}});
    A.Clear();
    EXPECT_EQ(A.Count(), 0);
    EXPECT_EQ(A.Capacity(), 1000);
    EXPECT_EQ(A.ItemNamesList().Count(), 0);
    EXPECT_EQ(A.IndexOfName(u"a.txt"), -1);
    A.SetCount(2);
    EXPECT_TRUE(A.GetItem(1).ExtraFields.empty());
    EXPECT_TRUE(A.GetItem(1).Name.empty());
}

TEST(DirArray, ClearTagsResetsEveryItemInUse) {
    TKSDirArray A;
    A.SetCount(4);
    for (int i = 0; i < 4; ++i)
        A.GetItemPtr(i)->Tagged = true;
    A.ClearTags();
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(A.GetItem(i).Tagged);
}

TEST(DirArray, RangeErrorsCarryTheirNativeCodes) {
    TKSDirArray A;
    A.SetCount(2);
    for (int32_t Index : {-1, 2, 1000}) {
        EXPECT_EQ(NativeOf([&] { (void)A.GetItem(Index); }), 2) << Index;
        EXPECT_EQ(NativeOf([&] { (void)A.GetItemPtr(Index); }), 3) << Index;
        EXPECT_EQ(NativeOf([&] { A.SetItemName(Index, u"x"); }), 3) << Index;
    }
    try {
        (void)A.GetItem(5);
    } catch (const EKSException& E) {
        EXPECT_EQ(std::string(E.what()), "Index out of bounds - Native error: 00002");
    }
}

TEST(DirArray, GetItemIsACopy) {
    TKSDirArray A;
    A.SetCount(1);
    A.GetItemPtr(0)->ExtraFields.push_back(TKSExtraFieldDataBlock{7, 2, {1, 2}});
    TDirItem Copy = A.GetItem(0);
    Copy.Tagged = true;
    Copy.ExtraFields.clear();
    EXPECT_FALSE(A.GetItem(0).Tagged);
    ASSERT_EQ(A.GetItem(0).ExtraFields.size(), 1u);
    EXPECT_EQ(A.GetItem(0).ExtraFields[0].pData, (std::vector<uint8_t>{1, 2}));
}

// ---- names -------------------------------------------------------------------------------------

TEST(DirArray, NamesKeepTheirCaseAndDuplicatesResolveToTheLaterItem) {
    TKSDirArray A;
    A.SetCount(3);
    A.SetItemName(0, u"Readme.txt");
    A.SetItemName(1, u"README.TXT");
    A.SetItemName(2, u"Docs/Ő.txt");
    EXPECT_EQ(A.GetItem(0).Name, u"Readme.txt");
    EXPECT_EQ(A.GetItem(1).Name, u"README.TXT");
    EXPECT_EQ(A.IndexOfName(u"readme.txt"), 1);
    EXPECT_EQ(A.IndexOfName(u"docs/ő.TXT"), 2);
    EXPECT_EQ(A.IndexOfName(u"missing"), -1);
    // The index holds lower-cased names, entry i for item i.
    EXPECT_EQ(A.ItemNamesList()[0], u"readme.txt");
    EXPECT_EQ(A.ItemNamesList()[2], u"docs/ő.txt");
}

TEST(DirArray, RenamingReplacesTheIndexEntry) {
    TKSDirArray A;
    A.SetCount(2);
    A.SetItemName(0, u"old.txt");
    A.SetItemName(1, u"other.txt");
    A.SetItemName(0, u"New.txt");
    EXPECT_EQ(A.GetItem(0).Name, u"New.txt");
    EXPECT_EQ(A.IndexOfName(u"new.txt"), 0);
    EXPECT_EQ(A.IndexOfName(u"old.txt"), -1);
    EXPECT_EQ(A.ItemNamesList().Count(), 2);
}

TEST(DirArray, SecondEmptyNameRaises59AndChangesNothing) {
    TKSDirArray A;
    A.SetCount(2);
    A.SetItemName(0, u"");
    EXPECT_EQ(NativeOf([&] { A.SetItemName(1, u"b.txt"); }), 59);
    EXPECT_TRUE(A.GetItem(1).Name.empty());
    EXPECT_EQ(A.ItemNamesList().Count(), 1);
    try {
        A.SetItemName(1, u"b.txt");
    } catch (const EKSException& E) {
        EXPECT_EQ(std::string(E.what()), "Hashed list of file names is invalid - Native error: 00059");
    }
}

TEST(DirArray, NamingTheEmptyNamedItemLetsTheNextOneBeNamed) {
    TKSDirArray A;
    A.SetCount(4);
    A.SetItemName(0, u"");
    A.SetItemName(0, u"first"); // the empty entry becomes "first"
    A.SetItemName(1, u"");
    A.SetItemName(1, u""); // naming it empty again is its own entry
    A.SetItemName(1, u"second");
    A.SetItemName(2, u"third"); // no empty entry is left
    EXPECT_EQ(A.IndexOfName(u"first"), 0);
    EXPECT_EQ(A.IndexOfName(u"second"), 1);
    EXPECT_EQ(A.IndexOfName(u""), -1);
    A.SetItemName(3, u"");
    EXPECT_EQ(A.IndexOfName(u""), 3);
}

TEST(DirArray, NameIndexFollowsTheOrderNamesWereGiven) {
    // Entries are appended as names are first given, so naming out of order moves them.
    TKSDirArray A;
    A.SetCount(3);
    A.SetItemName(0, u"a");
    A.SetItemName(2, u"c");
    A.SetItemName(1, u"b");
    EXPECT_EQ(A.IndexOfName(u"a"), 0);
    EXPECT_EQ(A.IndexOfName(u"c"), 1);
    EXPECT_EQ(A.IndexOfName(u"b"), 2);
}

TEST(DirArray, ShrinkingTheCountLeavesTheNameIndexAlone) {
    TKSDirArray A;
    A.SetCount(3);
    A.SetItemName(0, u"a");
    A.SetItemName(1, u"b");
    A.SetItemName(2, u"c");
    A.SetCount(1);
    EXPECT_EQ(A.IndexOfName(u"c"), 2);
    EXPECT_EQ(A.ItemNamesList().Count(), 3);
    A.SetCount(3);
    EXPECT_TRUE(A.GetItem(2).Name.empty());
    EXPECT_EQ(A.ItemNamesList()[2], u"c");
}

TEST(DirArray, LookupKeysMatchTheUnicodeLowerCase) {
    for (const TKSString& S : {TKSString(u"ABC/Def.TXT"), TKSString(u"\x00C9T\x00C9.TXT"),
                               TKSString(u"\x0130i\x03A3"), TKSString(u"@[`{"), TKSString()})
        EXPECT_EQ(KSLowerCaseKey(S), KSLowerCase(S));
}

TEST(DirArray, ManyDuplicatesStillNameEachItemInOrder) {
    // Past 5000 entries the value hash is dropped and rebuilt; each item must still find its own
    // entry and the latest duplicate must win.
    TKSDirArray A;
    const int N = 12000;
    A.SetCount(N);
    for (int i = 0; i < N; ++i)
        A.SetItemName(i, W(i % 2 ? "same.txt" : "f" + std::to_string(i)));
    EXPECT_EQ(A.IndexOfName(u"SAME.TXT"), N - 1);
    EXPECT_EQ(A.IndexOfName(u"f5000"), 5000);
    EXPECT_EQ(A.ItemNamesList().Count(), N);
}

// ---- TKSStringHash -----------------------------------------------------------------------------

TEST(StringHash, HashOfValues) {
    TKSStringHash H(10);
    struct Case {
        TKSString Key;
        uint32_t Hash;
    };
    // A code unit that travels 30 bits must come back round the left end (rotation, not shift).
    TKSString Wrap(1, u'\xFFFF');
    Wrap.append(15, u'\0');
    const Case Cases[] = {{u"", 0}, {u"A", 65}, {u"AB", 326}, {Wrap, 0xC0003FFFu}};
    for (const Case& C : Cases)
        EXPECT_EQ(H.HashOf(C.Key), C.Hash);
}

TEST(StringHash, DuplicatesFindTheLatestAndRemoveUnlinksOneAtATime) {
    TKSStringHash H(7);
    H.Add(u"k", 1);
    H.Add(u"k", 2);
    H.Add(u"other", 3);
    EXPECT_EQ(H.ValueOf(u"k"), 2);
    H.Remove(u"k");
    EXPECT_EQ(H.ValueOf(u"k"), 1);
    H.Remove(u"k");
    EXPECT_EQ(H.ValueOf(u"k"), -1);
    H.Remove(u"k"); // absent: nothing happens
    EXPECT_EQ(H.ValueOf(u"other"), 3);
    EXPECT_EQ(*H.Find(u"nope"), nullptr);
    ASSERT_NE(*H.Find(u"other"), nullptr);
    EXPECT_EQ((*H.Find(u"other"))->Value, 3);
    H.Clear();
    EXPECT_EQ(H.ValueOf(u"other"), -1);
}

TEST(StringHash, ExactKeyComparison) {
    TKSStringHash H(3);
    H.Add(u"abc", 1);
    EXPECT_EQ(H.ValueOf(u"ABC"), -1);
    EXPECT_EQ(H.ValueOf(u"ab"), -1);
}

// ---- TKSHashedStringList -----------------------------------------------------------------------

TEST(HashedStringList, LookupIsCaseInsensitiveByDefault) {
    TKSHashedStringList L;
    L.Add(u"Alpha");
    L.Add(u"beta");
    EXPECT_EQ(L.IndexOf(u"ALPHA"), 0);
    EXPECT_EQ(L.IndexOf(u"Beta"), 1);
    EXPECT_EQ(L.IndexOf(u"gamma"), -1);
    L.SetCaseSensitive(true);
    L.Clear();
    L.Add(u"Alpha");
    EXPECT_EQ(L.IndexOf(u"Alpha"), 0);
    EXPECT_EQ(L.IndexOf(u"alpha"), -1);
}

TEST(HashedStringList, EntriesAddedBeforeAndAfterTheFirstLookupAreFound) {
    TKSHashedStringList L;
    L.Add(u"before");
    EXPECT_EQ(L.IndexOf(u"before"), 0);
    L.Add(u"after");
    EXPECT_EQ(L.IndexOf(u"after"), 1);
}

TEST(HashedStringList, DroppedHashIsRebuiltAtTheNextLookup) {
    TKSHashedStringList L;
    EXPECT_EQ(L.IndexOf(u"x"), -1); // creates the value hash with 1000 buckets
    for (int i = 0; i < 5001; ++i)  // the 5001st entry drops it
        L.Add(W("n" + std::to_string(i)));
    uint32_t Used = 0, Longest = 0;
    L.HashStats(Used, Longest);
    EXPECT_EQ(Used, 0u); // absent
    EXPECT_EQ(L.IndexOf(u"n5000"), 5000);
    EXPECT_EQ(L.IndexOf(u"n0"), 0);
    L.HashStats(Used, Longest);
    EXPECT_GT(Used, 0u);
}

TEST(HashedStringList, UpdateMovesAnEntryToItsNewValue) {
    TKSHashedStringList L;
    L.Add(u"one");
    L.Add(u"dup");
    L.Add(u"dup");
    EXPECT_EQ(L.IndexOf(u"dup"), 2);
    // Updating the older duplicate must not disturb the newer one's entry.
    L.Update(1, u"two");
    EXPECT_EQ(L.IndexOf(u"dup"), 2);
    EXPECT_EQ(L.IndexOf(u"two"), 1);
    EXPECT_EQ(L[1], u"two");
    L.Update(2, u"three");
    EXPECT_EQ(L.IndexOf(u"dup"), -1);
    EXPECT_EQ(L.IndexOf(u"three"), 2);
}

TEST(HashedStringList, InsertAndDeleteKeepLookupsRight) {
    TKSHashedStringList L;
    L.Add(u"a");
    L.Add(u"c");
    EXPECT_EQ(L.IndexOf(u"c"), 1);
    L.Insert(1, u"b");
    EXPECT_EQ(L.IndexOf(u"c"), 2);
    L.Delete(0);
    EXPECT_EQ(L.IndexOf(u"b"), 0);
    EXPECT_EQ(L.IndexOf(u"a"), -1);
}

TEST(HashedStringList, DirectoryLikeNamesSpreadOverTheBuckets) {
    // 100,000 names differing in a few digits: HashOf folds them onto about 8,000 values, so the
    // chains must be chosen otherwise to stay short.
    TKSHashedStringList L;
    char Buf[64];
    for (int i = 0; i < 100000; ++i) {
        std::snprintf(Buf, sizeof Buf, "d%03d/file%06d.txt", i / 1000, i);
        L.Add(W(Buf));
    }
    EXPECT_EQ(L.IndexOf(u"d099/file099999.txt"), 99999);
    uint32_t Used = 0, Longest = 0;
    L.HashStats(Used, Longest);
    EXPECT_GT(Used, 60000u); // about 63% of 100,000 buckets for a uniform spread
    EXPECT_LE(Longest, 16u);
}

// ---- TKSVolumeNumberInfo -----------------------------------------------------------------------

TEST(VolumeNumberInfo, FlagsFollowNumberKindAndLastNumber) {
    TKSVolumeNumberInfo V;
    EXPECT_FALSE(V.FirstVolume());
    EXPECT_FALSE(V.LastVolume());
    EXPECT_EQ(V.VolumeNumber(), -1);
    EXPECT_EQ(V.LastVolumeNumber(), -1);

    V.SetVolumeNumber(0);
    EXPECT_TRUE(V.FirstVolume());
    EXPECT_EQ(V.VolumeKind(), vnkCustom);

    V.SetLastVolumeNumber(4);
    V.SetVolumeNumber(4);
    EXPECT_TRUE(V.LastVolume());
    EXPECT_FALSE(V.FirstVolume());

    V.SetFirstVolume(false); // does nothing
    EXPECT_EQ(V.VolumeNumber(), 4);
    V.SetFirstVolume(true);
    EXPECT_EQ(V.VolumeNumber(), 0);
    EXPECT_EQ(V.VolumeKind(), vnkFirst);
    EXPECT_FALSE(V.LastVolume()); // known last number 4, number 0

    V.SetLastVolume(true); // copies the last number
    EXPECT_EQ(V.VolumeNumber(), 4);
    EXPECT_EQ(V.VolumeKind(), vnkLast);

    V.Init();
    V.SetLastVolume(true); // unknown last number: kind decides
    EXPECT_TRUE(V.LastVolume());
    EXPECT_EQ(V.VolumeNumber(), -1);
}

TEST(VolumeNumberInfo, IsEqualTo) {
    auto Make = [](int32_t Number, int32_t Last, TKSVolumeNumberKind Kind) {
        TKSVolumeNumberInfo V;
        V.FVolumeNumber = Number;
        V.FLastVolumeNumber = Last;
        V.FVolumeKind = Kind;
        return V;
    };
    struct Case {
        TKSVolumeNumberInfo A, B;
        bool Equal;
        const char* What;
    };
    const Case Cases[] = {
        {Make(-1, -1, vnkLast), Make(3, 3, vnkCustom), true, "last vs last by number"},
        {Make(-1, -1, vnkLast), Make(2, 3, vnkCustom), false, "last vs middle"},
        {Make(0, -1, vnkFirst), Make(0, 5, vnkCustom), true, "first vs number 0"},
        {Make(0, -1, vnkFirst), Make(1, 5, vnkCustom), false, "first vs number 1"},
        {Make(2, 5, vnkCustom), Make(2, -1, vnkCustom), true, "same number"},
        {Make(2, 5, vnkCustom), Make(3, -1, vnkCustom), false, "other number"},
        {Make(-1, -1, vnkUnknown), Make(7, -1, vnkUnknown), true, "no number: kinds equal"},
        {Make(-1, -1, vnkUnknown), Make(-1, -1, vnkCustom), false, "no number: kinds differ"},
    };
    for (const Case& C : Cases)
        EXPECT_EQ(C.A.IsEqualTo(C.B), C.Equal) << C.What;
}

} // namespace
} // namespace ks
