// test_masks.cpp -- the wildcard matcher, the name/mask rules and the attribute filter.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "archive/KSSearch.h"
#include "archive/KSStrFunc.h"
#include "platform/KSStrings.h"

namespace ks {
namespace {

// The matcher's rules executed literally (recursion on '*', a star never tried against all the
// remaining characters), as an oracle for the non-recursive implementation.
bool LiteralMatch(const char16_t* S, const char16_t* P, bool IgnoreCase);

bool LiteralMatchTop(const char16_t* S, const char16_t* P, bool IgnoreCase) {
    if (std::u16string_view(P) == u"*.*")
        return true;
    return LiteralMatch(S, P, IgnoreCase);
}

bool LiteralMatch(const char16_t* S, const char16_t* P, bool IgnoreCase) {
    for (;;) {
        if (P[0] == u'*' && P[1] == 0)
            return true;
        if (*S == 0 && *P != 0)
            return false;
        if (*S == 0)
            return true;
        if (*P == 0)
            return false;
        if (*P == u'*') {
            const size_t N = std::char_traits<char16_t>::length(S);
            for (size_t k = 0; k < N; ++k)
                if (LiteralMatch(S + k, P + 1, IgnoreCase))
                    return true;
            return false;
        }
        if (*P != u'?') {
            const char16_t A = IgnoreCase ? KSCharUpper(*S) : *S;
            const char16_t B = IgnoreCase ? KSCharUpper(*P) : *P;
            if (A != B)
                return false;
        }
        ++S;
        ++P;
    }
}

bool Match(const TKSString& S, const TKSString& P, bool IgnoreCase = true) {
    return WIsStrMatchPattern(S.c_str(), P.c_str(), IgnoreCase);
}

struct PatternCase {
    const char16_t* Str;
    const char16_t* Pattern;
    bool IgnoreCase;
    bool Expected;
};

class PatternTable : public ::testing::TestWithParam<PatternCase> {};

TEST_P(PatternTable, MatchesAsDescribed) {
    const PatternCase& C = GetParam();
    EXPECT_EQ(Match(C.Str, C.Pattern, C.IgnoreCase), C.Expected)
        << "string '" << WideToUtf8(C.Str) << "' pattern '" << WideToUtf8(C.Pattern) << "'";
    EXPECT_EQ(LiteralMatchTop(C.Str, C.Pattern, C.IgnoreCase), C.Expected) << "oracle disagrees with the table";
}

INSTANTIATE_TEST_SUITE_P(
    Wildcards, PatternTable,
    ::testing::Values(
        // A star never takes all remaining characters: a trailing run of stars needs one.
        PatternCase{u"a", u"a**", true, false}, PatternCase{u"ab", u"a**", true, true},
        PatternCase{u"a", u"a*", true, true}, PatternCase{u"", u"*", true, true},
        PatternCase{u"", u"?", true, false}, PatternCase{u"", u"**", true, false},
        PatternCase{u"x", u"**", true, true}, PatternCase{u"xa", u"*a**", true, false},
        PatternCase{u"xab", u"*a**", true, true}, PatternCase{u"ab", u"a**b", true, true},
        // "*.*" as the whole pattern matches anything, also names without a dot.
        PatternCase{u"README", u"*.*", true, true}, PatternCase{u"", u"*.*", true, true},
        PatternCase{u"README", u"a*.*", true, false}, PatternCase{u"a.b", u"a*.*", true, true},
        // '/' is an ordinary character: '*' runs across folders.
        PatternCase{u"docs/sub/a.txt", u"*.txt", true, true},
        PatternCase{u"docs/a.txt", u"docs/?.txt", true, true},
        PatternCase{u"docs/ab.txt", u"docs/?.txt", true, false},
        // Case: ignored only when asked; non-ASCII letters fold too.
        PatternCase{u"README.TXT", u"readme.txt", true, true},
        PatternCase{u"README.TXT", u"readme.txt", false, false},
        PatternCase{u"ŐRÜLT.txt", u"őrült.TXT", true, true}, PatternCase{u"abc", u"abd", true, false},
        PatternCase{u"abc", u"ab", true, false}, PatternCase{u"ab", u"abc", true, false},
        PatternCase{u"abc", u"*c", true, true}, PatternCase{u"abcabd", u"*ab?", true, true},
        PatternCase{u"mississippi", u"m*iss*p", true, false},
        PatternCase{u"mississippi", u"m*iss*p*", true, true}));

// The non-recursive matcher agrees with the literal rules on every pair of short strings over a
// small alphabet (where stars, question marks and repeated letters interact).
TEST(PatternOracle, AgreesWithLiteralRulesOnRandomPairs) {
    std::mt19937 Rng(12345);
    const char16_t Letters[] = {u'a', u'b', u'A', u'.'};
    const char16_t PatternChars[] = {u'a', u'b', u'.', u'*', u'?', u'*'};
    for (int Round = 0; Round < 60000; ++Round) {
        TKSString S, P;
        const int SLen = static_cast<int>(Rng() % 7), PLen = static_cast<int>(Rng() % 7);
        for (int i = 0; i < SLen; ++i)
            S += Letters[Rng() % 4];
        for (int i = 0; i < PLen; ++i)
            P += PatternChars[Rng() % 6];
        const bool IgnoreCase = (Rng() & 1) != 0;
        ASSERT_EQ(Match(S, P, IgnoreCase), LiteralMatchTop(S.c_str(), P.c_str(), IgnoreCase))
            << "string '" << WideToUtf8(S) << "' pattern '" << WideToUtf8(P) << "' ignore case "
            << IgnoreCase;
    }
}

// A hostile pattern against a long name finishes (the literal rules would take exponential time).
TEST(PatternOracle, ManyStarsAgainstLongNameFinish) {
    const TKSString Name(60000, u'a');
    TKSString Pattern;
    for (int i = 0; i < 200; ++i)
        Pattern += u"*a";
    Pattern += u"*b";
    EXPECT_FALSE(Match(Name, Pattern));
    EXPECT_TRUE(Match(Name + u"b", Pattern));
}

TEST(PatternOracle, NullPointersAreEmptyStrings) {
    EXPECT_TRUE(WIsStrMatchPattern(nullptr, u"*", true));
    EXPECT_FALSE(WIsStrMatchPattern(u"a", nullptr, true));
}

struct MaskCase {
    const char16_t* Name;
    const char16_t* Mask;
    bool Expected;
};

class FileMaskTable : public ::testing::TestWithParam<MaskCase> {};

TEST_P(FileMaskTable, NameAgainstMask) {
    const MaskCase& C = GetParam();
    EXPECT_EQ(IsInternalFileMatchMask(C.Name, C.Mask), C.Expected)
        << "name '" << WideToUtf8(C.Name) << "' mask '" << WideToUtf8(C.Mask) << "'";
}

INSTANTIATE_TEST_SUITE_P(Masks, FileMaskTable,
                         ::testing::Values(
                             // "*." finds names without an extension (or ending in a dot).
                             MaskCase{u"README", u"*.", true}, MaskCase{u"notes.", u"*.", true},
                             MaskCase{u"a.txt", u"*.", false},
                             // "abc." finds abc in any case and "abc." but not abc.txt.
                             MaskCase{u"abc", u"abc.", true}, MaskCase{u"ABC", u"abc.", true},
                             MaskCase{u"abc.", u"abc.", true}, MaskCase{u"abc.txt", u"abc.", false},
                             // "*.*" becomes "*" wherever it first occurs.
                             MaskCase{u"README", u"*.*", true}, MaskCase{u"docs/README", u"docs/*.*", true},
                             MaskCase{u"a.txt", u"*.txt", true}, MaskCase{u"a.txt.bak", u"*.txt", false},
                             // An empty mask matches nothing, not even an empty name.
                             MaskCase{u"a", u"", false}, MaskCase{u"", u"", false},
                             MaskCase{u"", u"*", true}));

struct AttrCase {
    int32_t FileAttr;
    int32_t SearchAttr;
    bool Expected;
};

class AttributeTable : public ::testing::TestWithParam<AttrCase> {};

TEST_P(AttributeTable, Filter) {
    const AttrCase& C = GetParam();
    EXPECT_EQ(CheckAttributesMatch(C.FileAttr, C.SearchAttr), C.Expected)
        << "attr " << C.FileAttr << " filter " << C.SearchAttr;
}

INSTANTIATE_TEST_SUITE_P(
    Attributes, AttributeTable,
    ::testing::Values(
        // Filters 63 and 10431 exclude nothing.
        AttrCase{0x10, 63, true}, AttrCase{0x02 | 0x04 | 0x08 | 0x10, 63, true}, AttrCase{0x1E, 10431, true},
        // Filter 0 skips hidden, system, volume-label and folder items.
        AttrCase{0x02, 0, false}, AttrCase{0x04, 0, false}, AttrCase{0x08, 0, false},
        AttrCase{0x10, 0, false},
        // Read-only and archive never exclude.
        AttrCase{0x01 | 0x20, 0, true}, AttrCase{0, 0, true},
        // A folder passes a filter that names folders, a hidden folder only when both are named.
        AttrCase{0x10, 0x10, true}, AttrCase{0x12, 0x10, false}, AttrCase{0x12, 0x12, true},
        // Unix modes in the upper bits do not matter.
        AttrCase{static_cast<int32_t>(0x81A40000u | 0x20u), 0, true}));

TEST(WideCompare, ComparesPrefixAndMapsToSign) {
    EXPECT_EQ(WideCompareStrL(u"abc", u"abd", 2), 0);
    EXPECT_EQ(WideCompareStrL(u"abc", u"abd", 3), -1);
    EXPECT_EQ(WideCompareStrL(u"b", u"a", 1), 1);
#ifdef _WIN32
    // The user's locale orders lower case before upper case (CompareStringW).
    EXPECT_EQ(WideCompareStrL(u"a", u"A", 1), -1);
#else
    EXPECT_EQ(WideCompareStrL(u"a", u"A", 1), 1); // by code point, case counts
#endif
}

TEST(WideCompare, EightBitFallbackHonoursIgnoreCase) {
    EXPECT_EQ(DumbItDownFor95(u"Readme", u"README", NORM_IGNORECASE), 0);
    EXPECT_NE(DumbItDownFor95(u"Readme", u"README", 0), 0);
    EXPECT_EQ(DumbItDownFor95(u"a", u"b", 0), -1);
}

} // namespace
} // namespace ks
