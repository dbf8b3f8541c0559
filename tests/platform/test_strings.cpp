// Wide-string services: UTF-8 conversion, case mapping, comparison, replacement.
#include <clocale>
#include <gtest/gtest.h>

#include "platform/KSStrings.h"

namespace ks {
namespace {

struct Utf8Case {
    const char* Label;
    std::string Utf8;
    TKSString Wide;
    bool Valid;
};

// Ill-formed input decodes with one U+FFFD per maximal ill-formed subpart.
const Utf8Case kUtf8Cases[] = {
    {"ascii", "abc", u"abc", true},
    {"hungarian", "\xC5\x91\xC5\xB1\xC3\xA1", u"\u0151\u0171\u00E1", true},
    {"three byte", "\xE2\x82\xAC", u"\u20AC", true},
    {"supplementary", "\xF0\x9F\x98\x80", u"\U0001F600", true},
    {"highest", "\xF4\x8F\xBF\xBF", u"\U0010FFFF", true},
    {"lone continuation", "a\x80z", u"a\uFFFDz", false},
    {"bad lead C0", "\xC0\xAF", u"\uFFFD\uFFFD", false},
    {"overlong E0", "\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD", false},
    {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD", false},
    {"above U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD", false},
    {"truncated at end", "x\xE2\x82", u"x\uFFFD", false},
    {"truncated before ascii", "\xF0\x9F\x98z", u"\uFFFDz", false},
    {"FF byte", "\xFF", u"\uFFFD", false},
};

TEST(Utf8Test, DecodesAndValidates) {
    for (const auto& C : kUtf8Cases) {
        SCOPED_TRACE(C.Label);
        EXPECT_EQ(Utf8ToWide(C.Utf8), C.Wide);
        EXPECT_EQ(IsValidUtf8(C.Utf8), C.Valid);
        if (C.Valid) {
            EXPECT_EQ(WideToUtf8(C.Wide), C.Utf8);
        }
    }
}

TEST(Utf8Test, LoneSurrogatesEncodeAsReplacement) {
    const TKSString Lone = {u'a', char16_t(0xD800), u'b', char16_t(0xDC00)};
    EXPECT_EQ(WideToUtf8(Lone), "a\xEF\xBF\xBD"
                                "b\xEF\xBF\xBD");
    // A pair in the wrong order is two lone surrogates.
    const TKSString Swapped = {char16_t(0xDE00), char16_t(0xD83D)};
    EXPECT_EQ(WideToUtf8(Swapped), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(CaseMappingTest, SimpleMappingOfWholeStrings) {
    const struct {
        TKSString In, Upper, Lower;
    } Cases[] = {
        {u"abcXYZ09", u"ABCXYZ09", u"abcxyz09"},
        {u"\u0151\u0171\u00E1\u00E9\u00ED\u00F3\u00F6\u00FA\u00FC",
         u"\u0150\u0170\u00C1\u00C9\u00CD\u00D3\u00D6\u00DA\u00DC",
         u"\u0151\u0171\u00E1\u00E9\u00ED\u00F3\u00F6\u00FA\u00FC"},
        {u"\u03B1\u03C9\u0436", u"\u0391\u03A9\u0416", u"\u03B1\u03C9\u0436"},
        // Simple mapping: sharp s has no one-character upper case and stays.
        {u"stra\u00DFe", u"STRA\u00DFE", u"stra\u00DFe"},
        // A surrogate pair maps as one code point (Deseret).
        {u"\U00010428x", u"\U00010400X", u"\U00010428x"},
        {u"", u"", u""},
    };
    for (const auto& C : Cases) {
        EXPECT_EQ(KSUpperCase(C.In), C.Upper);
        EXPECT_EQ(KSLowerCase(C.Upper), C.Lower);
    }
}

TEST(CaseMappingTest, IndependentOfProcessLocale) {
    // Under a Turkish locale the C library would map 'i' to a dotted capital; ours must not.
    const char* Old = std::setlocale(LC_ALL, nullptr);
    const std::string Saved = Old ? Old : "C";
    const bool HaveTurkish = std::setlocale(LC_ALL, "tr_TR.UTF-8") != nullptr;
    EXPECT_EQ(KSUpperCase(u"i"), u"I");
    EXPECT_EQ(KSLowerCase(u"I"), u"i");
    std::setlocale(LC_ALL, Saved.c_str());
    if (!HaveTurkish)
        GTEST_SKIP() << "no tr_TR.UTF-8 locale installed; checked under the default locale only";
}

TEST(CaseMappingTest, SingleCharacters) {
    EXPECT_EQ(KSCharUpper(u'\u0151'), u'\u0150');
    EXPECT_EQ(KSCharLower(u'\u0150'), u'\u0151');
    EXPECT_EQ(KSCharUpper(u'?'), u'?');
    EXPECT_EQ(KSCharUpper(char16_t(0xD801)), char16_t(0xD801)); // half of a pair stays
}

TEST(CompareTest, CompareStrL) {
    const struct {
        TKSString A, B;
        int Max, Expected;
    } Cases[] = {
        {u"a", u"a", 1, 0},       {u"a", u"b", 1, -1},    {u"b", u"a", 1, 1},
        {u"a", u"A", 1, 1},       {u"abc", u"abd", 2, 0}, {u"abc", u"abd", 3, -1},
        {u"ab", u"abc", 5, -1},   {u"", u"", 1, 0},       {u"x", u"", 1, 1},
        {u"abc", u"abd", -1, -1}, {u"abc", u"xyz", 0, 0}, {u"\u0150", u"\u00D6", 1, 1},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(KSCompareStrL(C.A, C.B, C.Max), C.Expected)
            << WideToUtf8(C.A) << " vs " << WideToUtf8(C.B) << " max " << C.Max;
}

TEST(CompareTest, TextComparisonFoldsCase) {
    EXPECT_EQ(KSCompareText(u"\u0150RIZ", u"\u0151riz"), 0);
    EXPECT_TRUE(KSSameText(u"Docs/ReadMe.TXT", u"docs/readme.txt"));
    EXPECT_FALSE(KSSameText(u"abc", u"abcd"));
    EXPECT_LT(KSCompareText(u"abc", u"ABD"), 0);
    EXPECT_GT(KSCompareText(u"abcd", u"ABC"), 0);
    EXPECT_TRUE(KSSameText(u"\U00010428", u"\U00010400"));
    EXPECT_NE(KSCompareStr(u"a", u"A"), 0);
}

TEST(StringReplaceTest, Table) {
    const struct {
        TKSString S, Old, New;
        TKSReplaceFlags Flags;
        TKSString Expected;
    } Cases[] = {
        {u"a/b/c", u"/", u"\\", rfReplaceAll, u"a\\b\\c"},
        {u"a/b/c", u"/", u"\\", 0, u"a\\b/c"},
        {u"\\\\x\\\\\\\\y", u"\\\\", u"\\", rfReplaceAll, u"\\x\\\\y"}, // no overlap, left to right
        {u"aaa", u"aa", u"b", rfReplaceAll, u"ba"},
        {u"Hello HELLO hello", u"hello", u"x", rfReplaceAll | rfIgnoreCase, u"x x x"},
        {u"Hello HELLO hello", u"hello", u"x", rfReplaceAll, u"Hello HELLO x"},
        {u"\u0150r\u0150r", u"\u0151R", u"-", rfIgnoreCase, u"-\u0150r"},
        {u"abc", u"", u"x", rfReplaceAll, u"abc"},
        {u"abc", u"abc", u"", rfReplaceAll, u""},
        {u"abc", u"abcd", u"x", rfReplaceAll, u"abc"},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(KSStringReplace(C.S, C.Old, C.New, C.Flags), C.Expected) << WideToUtf8(C.S);
}

TEST(StringReplaceTest, ByteLength) {
    EXPECT_EQ(ByteLength(u""), 0u);
    EXPECT_EQ(ByteLength(u"\u0151x"), 4u);
    EXPECT_EQ(ByteLength(u"\U0001F600"), 4u);
}

} // namespace
} // namespace ks
