// The text-password handler: ANSI form first, the UTF-8 form once per item through the password
// event, then the prompts; forms of text that is not UTF-8.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "archive/KSPasswordRetry.h"
#include "platform/KSCodePages.h"
#include "tests/archive/EncryptedTestSupport.h"
#include "tests/support/AesEntryWriter.h"
#include "tests/support/ScriptedPrompts.h"

namespace ks {
namespace {

namespace fs = std::filesystem;
using test::OpenedArchive;
using test::ReadText;

const std::string kTyped = "jelsz\xc3\xb3\xe2\x82\xac"; // "jelszó€" as typed
const std::string kCp1252 = "jelsz\xf3\x80";

struct CodePage1252 {
    CodePage1252() { KSSetAnsiCodePage(1252); }
    ~CodePage1252() { KSResetCodePages(); }
};

TEST(PasswordForms, AnsiAndUtf8) {
    CodePage1252 cp;
    struct {
        std::string text, ansi, utf8;
    } cases[] = {
        {"secret", "secret", "secret"},
        {kTyped, kCp1252, kTyped},
        {"\xc5\x91", "?", "\xc5\x91"},        // not in 1252
        {"\xf3\x80", "\xf3\x80", "\xf3\x80"}, // not UTF-8: the bytes as they are
        {"", "", ""},
    };
    for (const auto& c : cases) {
        const TKSPasswordForms f = KSPasswordForms(c.text);
        EXPECT_EQ(f.Ansi, c.ansi) << c.text;
        EXPECT_EQ(f.Utf8, c.utf8) << c.text;
    }
}

// Three entries: UTF-8 password, Windows (1252) password, UTF-8 password again.
test::Bytes MixedArchive(bool Aes) {
    test::ZipWriter w;
    int n = 0;
    for (const std::string& pw : {kTyped, kCp1252, kTyped}) {
        const std::string name = "f" + std::to_string(n++) + ".txt";
        test::EntryOptions o;
        if (Aes) {
            o.aes = test::AesOptions{.strength = 1};
            o.transform = test::AesPayload(pw, 1, static_cast<uint64_t>(n));
        } else {
            o.password = pw;
        }
        w.AddFile(name, "text of " + name, o);
    }
    return w.Finish();
}

class PasswordRetry : public ::testing::TestWithParam<bool> {};

TEST_P(PasswordRetry, TriesTheOtherFormBeforeAsking) {
    CodePage1252 cp;
    OpenedArchive a(MixedArchive(GetParam()));
    test::ScriptedPrompts prompts;
    TKSPasswordRetry retry;
    a.Arc->SetPassword(retry.Begin(kTyped));
    EXPECT_EQ(a.Arc->Password(), kCp1252);
    std::vector<std::string> offered;
    a.Arc->FOnPassword = [&](TComponent* s, const TKSString& f, AnsiString& pw, bool& skip) {
        retry.OnPassword(f, pw, skip);
        offered.push_back(pw);
        (void)s;
    };
    a.Arc->ExtractFiles(u"*.*", test::kEncAllAttr, u"");
    EXPECT_TRUE(prompts.Passwords.empty());
    // f0 needs UTF-8, f1 the 1252 bytes again, f2 UTF-8 again.
    EXPECT_EQ(offered, (std::vector<std::string>{kTyped, kCp1252, kTyped}));
    for (const char* n : {"f0.txt", "f1.txt", "f2.txt"})
        EXPECT_EQ(ReadText(a.OutFile(n)), std::string("text of ") + n);
}

TEST_P(PasswordRetry, AsksWhenBothFormsFailAndSkipsWhenCancelled) {
    CodePage1252 cp;
    OpenedArchive a(MixedArchive(GetParam()));
    test::ScriptedPrompts prompts;
    prompts.AnswerPassword(kTyped); // f0: typed text, whose UTF-8 form opens it
    TKSPasswordRetry retry;
    a.Arc->SetPassword(retry.Begin("other"));
    a.Arc->FOnPassword = retry.Handler();
    a.Arc->ExtractFiles(u"*.*", test::kEncAllAttr, u"");
    ASSERT_EQ(prompts.Passwords.size(), 1u);
    EXPECT_EQ(prompts.Passwords[0].Caption, "Password for \"f0.txt\"");
    EXPECT_EQ(ReadText(a.OutFile("f0.txt")), "text of f0.txt");
    // f1 wanted the 1252 bytes: the kept UTF-8 password failed, then the ANSI form opened it.
    EXPECT_EQ(ReadText(a.OutFile("f1.txt")), "text of f1.txt");
    EXPECT_EQ(ReadText(a.OutFile("f2.txt")), "text of f2.txt");

    // Without a text and with no answer left (a cancelled question), every item is skipped.
    OpenedArchive b(MixedArchive(GetParam()));
    TKSPasswordRetry none;
    b.Arc->FOnPassword = none.Handler();
    b.Arc->ExtractFiles(u"*.*", test::kEncAllAttr, u"");
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(test::OutcomeOf(*b.Arc, i), TKSItemOutcome::Skipped);
}

INSTANTIATE_TEST_SUITE_P(Schemes, PasswordRetry, ::testing::Bool(),
                         [](const auto& i) { return std::string(i.param ? "Aes" : "Traditional"); });

} // namespace
} // namespace ks
