// The wide string list: case-insensitive by default, sorted mode, and the virtual operations a
// derived list overrides.
#include <gtest/gtest.h>
#include <vector>

#include "platform/KSStrings.h"

namespace ks {
namespace {

std::vector<TKSString> Items(const TKSStringList& L) {
    return {L.begin(), L.end()};
}

TEST(StringListTest, CaseInsensitiveByDefault) {
    TKSStringList L;
    EXPECT_FALSE(L.CaseSensitive());
    L.Add(u"Docs/\u0150riz.txt");
    L.Add(u"b");
    EXPECT_EQ(L.Count(), 2);
    EXPECT_EQ(L.IndexOf(u"docs/\u0151RIZ.TXT"), 0);
    EXPECT_EQ(L.IndexOf(u"B"), 1);
    EXPECT_EQ(L.IndexOf(u"c"), -1);
    L.SetCaseSensitive(true);
    EXPECT_EQ(L.IndexOf(u"B"), -1);
    EXPECT_EQ(L.IndexOf(u"b"), 1);
}

TEST(StringListTest, UnsortedKeepsOrderAndDuplicates) {
    TKSStringList L;
    for (const auto* S : {u"z", u"a", u"A", u"m"})
        L.Add(S);
    EXPECT_EQ(Items(L), (std::vector<TKSString>{u"z", u"a", u"A", u"m"}));
    EXPECT_EQ(L.IndexOf(u"a"), 1); // the first match
    L.Insert(0, u"first");
    L.Delete(2);
    EXPECT_EQ(Items(L), (std::vector<TKSString>{u"first", u"z", u"A", u"m"}));
    L.Put(1, u"y");
    EXPECT_EQ(L[1], u"y");
}

TEST(StringListTest, SortedInsertsInOrderAndFindsByBinarySearch) {
    TKSStringList L;
    L.SetSorted(true);
    for (const auto* S : {u"delta", u"Alpha", u"charlie", u"bravo", u"alpha"})
        L.Add(S);
    // Case-insensitive order; equal strings keep their insertion order.
    EXPECT_EQ(Items(L), (std::vector<TKSString>{u"Alpha", u"alpha", u"bravo", u"charlie", u"delta"}));
    EXPECT_EQ(L.IndexOf(u"ALPHA"), 0);
    EXPECT_EQ(L.IndexOf(u"Delta"), 4);
    EXPECT_EQ(L.IndexOf(u"echo"), -1);
    EXPECT_EQ(L.IndexOf(u""), -1);
    EXPECT_THROW(L.Insert(0, u"x"), Exception);
}

TEST(StringListTest, SortingAnExistingListAndChangingCaseSensitivity) {
    TKSStringList L;
    for (const auto* S : {u"b", u"B", u"a"})
        L.Add(S);
    L.SetSorted(true);
    EXPECT_EQ(Items(L), (std::vector<TKSString>{u"a", u"b", u"B"}));
    L.SetCaseSensitive(true); // re-sorts by code point
    EXPECT_EQ(Items(L), (std::vector<TKSString>{u"B", u"a", u"b"}));
    EXPECT_EQ(L.IndexOf(u"b"), 2);
}

TEST(StringListTest, IndexErrors) {
    TKSStringList L;
    L.Add(u"x");
    EXPECT_THROW(L[1], Exception);
    EXPECT_THROW(L[-1], Exception);
    EXPECT_THROW(L.Delete(1), Exception);
    EXPECT_THROW(L.Put(5, u"y"), Exception);
    EXPECT_THROW(L.Insert(3, u"y"), Exception);
    EXPECT_NO_THROW(L.Insert(1, u"y")); // at the end is allowed
}

// A derived list that records what reaches its virtual operations, as an indexed list would.
class TCountingList : public TKSStringList {
public:
    int Adds = 0, Clears = 0;
    int Add(const TKSString& S) override {
        ++Adds;
        return TKSStringList::Add(S);
    }
    void Clear() override {
        ++Clears;
        TKSStringList::Clear();
    }
};

TEST(StringListTest, AssignGoesThroughTheVirtualOperations) {
    TKSStringList Source;
    Source.SetCaseSensitive(true);
    Source.Add(u"one");
    Source.Add(u"two");
    TCountingList Dest;
    Dest.Add(u"old");
    Dest.Assign(Source);
    EXPECT_EQ(Dest.Clears, 1);
    EXPECT_EQ(Dest.Adds, 3);
    EXPECT_EQ(Items(Dest), (std::vector<TKSString>{u"one", u"two"}));
    EXPECT_TRUE(Dest.CaseSensitive());

    TKSStringList Copy(Source);
    Copy.Assign(Copy); // self-assignment keeps the strings
    EXPECT_EQ(Items(Copy), Items(Source));
}

} // namespace
} // namespace ks
