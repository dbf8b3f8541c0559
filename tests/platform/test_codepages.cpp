// Code pages: exact Hungarian letters, replacement instead of best fit, OEM -> ANSI in place,
// the locale's default pair and the process-wide override.
#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>

#include "platform/KSStrings.h"

namespace ks {
namespace {

const TKSString kHungarian = u"\u0151\u0150\u0171\u0170\u00E1\u00E9\u00ED\u00F3\u00F6\u00FA\u00FC";

TEST(CodePageTest, HungarianLettersExact) {
    // Byte values from the published tables of the two pages.
    const std::string Cp852 = "\x8B\x8A\xFB\xEB\xA0\x82\xA1\xA2\x94\xA3\x81";
    const std::string Cp1250 = "\xF5\xD5\xFB\xDB\xE1\xE9\xED\xF3\xF6\xFA\xFC";
    EXPECT_EQ(KSWideToCodePage(kHungarian, 852), Cp852);
    EXPECT_EQ(KSWideToCodePage(kHungarian, 1250), Cp1250);
    EXPECT_EQ(KSCodePageToWide(Cp852, 852), kHungarian);
    EXPECT_EQ(KSCodePageToWide(Cp1250, 1250), kHungarian);
}

TEST(CodePageTest, UnrepresentableBecomesQuestionMarkNotBestFit) {
    const struct {
        TKSCodePage Page;
        TKSString In;
        std::string Out;
    } Cases[] = {
        {1252, u"\u0151\u0150\u0171", "???"}, // a best-fit table would give "oOu"
        {850, u"\u0151\u0171", "??"},
        {437, u"a\u20ACb", "a?b"},
        {1250, u"\u20AC", "\x80"},
        {1250, u"\u4E2D", "?"},
        {1250, u"\U0001F600", "?"}, // one character, one replacement
        {852, TKSString(u"x\0y", 3), std::string("x\0y", 3)},
        {866, u"\u0416\u00E9", "\x86?"},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(KSWideToCodePage(C.In, C.Page), C.Out) << C.Page;
}

TEST(CodePageTest, EveryByteRoundTripsExceptCollidingUndefinedOnes) {
    // Undefined bytes decode to the code point of their own value, so they survive a round trip;
    // in 857 the bytes D5, E7 and F2 are undefined, but U+00D5, U+00E7 and U+00F2 are defined at
    // other bytes, so those decode to U+FFFD.
    for (TKSCodePage Page :
         {437u, 737u, 775u, 850u, 852u, 855u, 857u, 866u, 1250u, 1251u, 1252u, 1253u, 1254u, 1257u}) {
        std::string All;
        for (int B = 0; B < 256; ++B)
            All.push_back(static_cast<char>(B));
        const TKSString Wide = KSCodePageToWide(All, Page);
        ASSERT_EQ(Wide.size(), 256u);
        std::string Expected = All;
        if (Page == 857) {
            for (int B : {0xD5, 0xE7, 0xF2}) {
                Expected[static_cast<std::size_t>(B)] = '?';
                EXPECT_EQ(Wide[static_cast<std::size_t>(B)], u'\uFFFD') << B;
            }
        }
        EXPECT_EQ(KSWideToCodePage(Wide, Page), Expected) << Page;
    }
}

TEST(CodePageTest, KnownDecodings) {
    EXPECT_EQ(KSCodePageToWide("\xAA", 852), u"\u00AC");  // NOT SIGN
    EXPECT_EQ(KSCodePageToWide("\x81", 1252), u"\u0081"); // undefined in 1252
    EXPECT_EQ(KSCodePageToWide("\x80\x9C", 437), u"\u00C7\u00A3");
    EXPECT_EQ(KSCodePageToWide("\xC0\xFF", 1251), u"\u0410\u044F");
}

TEST(CodePageTest, OemToAnsiInPlace) {
    const TKSCodePage OldOem = KSOemCodePage(), OldAnsi = KSAnsiCodePage();
    ASSERT_TRUE(KSSetOemCodePage(852));
    ASSERT_TRUE(KSSetAnsiCodePage(1250));
    std::string Name = "\x8B\x8A\xFB\xEB\xA0/\x94.txt";
    KSOemToAnsiBuff(Name);
    EXPECT_EQ(Name, "\xF5\xD5\xFB\xDB\xE1/\xF6.txt");
    EXPECT_EQ(KSAnsiToWide(Name), u"\u0151\u0150\u0171\u0170\u00E1/\u00F6.txt");

    // 852 box-drawing characters have no place in 1250: '?'.
    char Box[] = "\xC9\xCD";
    KSOemToAnsiBuff(Box, 2);
    EXPECT_STREQ(Box, "??");

    ASSERT_TRUE(KSSetAnsiCodePage(1252));
    std::string Mixed = "\x8B\x94";
    KSOemToAnsiBuff(Mixed);
    EXPECT_EQ(Mixed, "?\xF6"); // o with double acute is not in 1252, o with diaeresis is

    char Back[] = "\xF6";
    KSAnsiToOemBuff(Back, 1);
    EXPECT_EQ(Back[0], '\x94');

    KSSetOemCodePage(OldOem);
    KSSetAnsiCodePage(OldAnsi);
}

TEST(CodePageTest, CurrentPagesConvertAndSettersRejectUnknownPages) {
    const TKSCodePage OldOem = KSOemCodePage(), OldAnsi = KSAnsiCodePage();
    ASSERT_TRUE(KSSetOemCodePage(866));
    ASSERT_TRUE(KSSetAnsiCodePage(1251));
    EXPECT_EQ(KSOemToWide("\x80"), u"\u0410");
    EXPECT_EQ(KSWideToAnsi(u"\u0410"), "\xC0");
    EXPECT_EQ(KSWideToOem(u"\u0410"), "\x80");
    EXPECT_FALSE(KSSetOemCodePage(65001)); // UTF-8 is not a single-byte page
    EXPECT_FALSE(KSSetAnsiCodePage(12345));
    EXPECT_FALSE(KSIsCodePageSupported(932));
    EXPECT_EQ(KSOemCodePage(), 866u);
    EXPECT_THROW(KSCodePageToWide("x", 12345), Exception);
    KSSetOemCodePage(OldOem);
    KSSetAnsiCodePage(OldAnsi);
}

TEST(CodePageTest, PairForLocale) {
    const struct {
        const char* Locale;
        TKSCodePagePair Pair;
    } Cases[] = {
        {"hu_HU.UTF-8", {852, 1250}},
        {"cs_CZ", {852, 1250}},
        {"pl_PL.UTF-8", {852, 1250}},
        {"sk_SK", {852, 1250}},
        {"sl_SI", {852, 1250}},
        {"hr_HR", {852, 1250}},
        {"ro_RO", {852, 1250}},
        {"en_US.UTF-8", {437, 1252}},
        {"en_GB.UTF-8", {850, 1252}},
        {"en_IE", {850, 1252}},
        {"en_AU", {850, 1252}},
        {"en_CA", {850, 1252}},
        {"en", {437, 1252}},
        {"de_DE.UTF-8", {850, 1252}},
        {"fr_FR", {850, 1252}},
        {"es_ES", {850, 1252}},
        {"it_IT", {850, 1252}},
        {"nl_NL", {850, 1252}},
        {"pt_BR.UTF-8", {850, 1252}},
        {"sv_SE", {850, 1252}},
        {"da_DK", {850, 1252}},
        {"nb_NO", {850, 1252}},
        {"fi_FI", {850, 1252}},
        {"ru_RU.UTF-8", {866, 1251}},
        {"uk_UA", {866, 1251}},
        {"bg_BG", {866, 1251}},
        {"el_GR.UTF-8", {737, 1253}},
        {"tr_TR.UTF-8", {857, 1254}},
        {"C", {437, 1252}},
        {"POSIX", {437, 1252}},
        {"", {437, 1252}},
        {"ja_JP.UTF-8", {437, 1252}},
        {"HU_hu", {852, 1250}},
        {"sr_RS@latin", {852, 1250}},
        {"de_AT.ISO-8859-1@euro", {850, 1252}},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(KSCodePagesForLocale(C.Locale), C.Pair) << C.Locale;
}

#ifndef _WIN32
// On Windows the pair is the system's own (GetOEMCP/GetACP), not the environment's.
TEST(CodePageTest, LocaleFromEnvironment) {
    const auto Save = [](const char* N) {
        const char* V = std::getenv(N);
        return V ? std::optional<std::string>(V) : std::nullopt;
    };
    const auto All = Save("LC_ALL"), Ctype = Save("LC_CTYPE"), Lang = Save("LANG");
    unsetenv("LC_ALL");
    unsetenv("LC_CTYPE");
    setenv("LANG", "hu_HU.UTF-8", 1);
    EXPECT_EQ(KSLocaleCodePages(), (TKSCodePagePair{852, 1250}));
    setenv("LC_CTYPE", "el_GR.UTF-8", 1);
    EXPECT_EQ(KSLocaleCodePages(), (TKSCodePagePair{737, 1253}));
    setenv("LC_ALL", "ru_RU.UTF-8", 1);
    EXPECT_EQ(KSLocaleCodePages(), (TKSCodePagePair{866, 1251}));

    // The override wins until reset; reset returns to the locale's pair.
    ASSERT_TRUE(KSSetOemCodePage(437));
    EXPECT_EQ(KSOemCodePage(), 437u);
    KSResetCodePages();
    EXPECT_EQ(KSOemCodePage(), 866u);
    EXPECT_EQ(KSAnsiCodePage(), 1251u);

    const auto Restore = [](const char* N, const std::optional<std::string>& V) {
        if (V)
            setenv(N, V->c_str(), 1);
        else
            unsetenv(N);
    };
    Restore("LC_ALL", All);
    Restore("LC_CTYPE", Ctype);
    Restore("LANG", Lang);
    KSResetCodePages();
}

#endif

} // namespace
} // namespace ks
