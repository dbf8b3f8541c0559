// Traditional ZIP encryption: the cipher routines against the test writer's independent encoder,
// the header check byte (CRC or modification time), peer-made entries, the password loop shared
// with AES entries, and wrong passwords that pass the one-byte check.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "archive/KSZipCrypto.h"
#include "platform/KSStreams.h"
#include "tests/archive/EncryptedTestSupport.h"
#include "tests/support/AesEntryWriter.h"
#include "tests/support/ScriptedPrompts.h"

namespace ks {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::OpenedArchive;
using test::ReadText;
using test::ZipWriter;

// ---- cipher routines ------------------------------------------------------------------------------

struct CipherCase {
    const char* label;
    std::string password;
    size_t size;
};

class ZipCipher : public ::testing::TestWithParam<CipherCase> {};

TEST_P(ZipCipher, DecryptsWhatTheWriterEncrypted) {
    const CipherCase& c = GetParam();
    const Bytes plain = test::NoiseBytes(c.size, 7);
    const Bytes enc = test::ZipCryptoEncrypt(c.password, plain, 0xA7, 99);
    ASSERT_EQ(enc.size(), plain.size() + 12);

    // Whole buffer, and in uneven pieces: the key state runs on across calls.
    for (const size_t piece : {plain.size() + 1, size_t{1}, size_t{7}, size_t{4096}}) {
        TZipKey key;
        TZipKeyHeader header;
        std::copy(enc.begin(), enc.begin() + 12, header.Bytes);
        ZipKeyInit(c.password, key, header);
        EXPECT_EQ(header.Bytes[11], 0xA7);
        Bytes data(enc.begin() + 12, enc.end());
        for (size_t at = 0; at < data.size(); at += piece)
            ZipDecryptBuffer(data.data() + at, std::min(piece, data.size() - at), key);
        EXPECT_EQ(data, plain) << "piece " << piece;
        for (const int64_t k : key.Key)
            EXPECT_TRUE(k >= 0 && k <= 0xFFFFFFFFll) << k;
    }
}

INSTANTIATE_TEST_SUITE_P(Passwords, ZipCipher,
                         ::testing::Values(CipherCase{"Empty", "", 100}, CipherCase{"Ascii", "secret", 0},
                                           CipherCase{"AsciiLong", std::string(300, 'q'), 10000},
                                           CipherCase{"HighBytes", "\xff\x80\xe9\x01", 5000}),
                         [](const auto& i) { return std::string(i.param.label); });

TEST(ZipCipher, DecryptByteLeavesTheKeys) {
    TZipKey key;
    TZipKeyHeader header;
    ZipKeyInit("pw", key, header);
    const TZipKey before = key;
    EXPECT_EQ(ZipDecryptByte(key), ZipDecryptByte(key));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(key.Key[i], before.Key[i]);
    ZipUpdateKeys(0x41, key);
    EXPECT_NE(key.Key[0], before.Key[0]);
}

// ---- the header check -----------------------------------------------------------------------------

struct CheckCase {
    const char* label;
    uint16_t flags;
    bool checkFromTime; // which byte the header was written with
    const char* password;
    bool expected;
};

class ZipHeaderCheck : public ::testing::TestWithParam<CheckCase> {};

TEST_P(ZipHeaderCheck, ComparesTheRightByte) {
    const CheckCase& c = GetParam();
    const uint16_t time = 0x6000;     // high byte 0x60
    const uint32_t crc = 0x408185D3u; // high byte 0x40
    const Bytes enc = test::ZipCryptoEncrypt("secret", test::ToBytes("data"),
                                             c.checkFromTime ? uint8_t{0x60} : uint8_t{0x40}, 5);
    TMemoryStream s;
    s.Write(enc.data(), static_cast<int64_t>(enc.size()));
    s.SetPosition(0);
    TZipKey key;
    EXPECT_EQ(ZipInitPassword(s, c.password, c.flags, time, crc, key), c.expected);
    EXPECT_EQ(s.Position(), 12);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ZipHeaderCheck,
    ::testing::Values(CheckCase{"CrcWithoutDescriptor", 0x0001, false, "secret", true},
                      CheckCase{"TimeWithoutDescriptorFails", 0x0001, true, "secret", false},
                      CheckCase{"TimeWithDescriptor", 0x0009, true, "secret", true},
                      CheckCase{"CrcWithDescriptorFails", 0x0009, false, "secret", false},
                      CheckCase{"WrongPassword", 0x0001, false, "secreT", false}),
    [](const auto& i) { return std::string(i.param.label); });

TEST(ZipHeaderCheck, ShortHeaderIsAReadError) {
    TMemoryStream s;
    s.Write("12345", 5);
    s.SetPosition(0);
    TZipKey key;
    EXPECT_THROW(ZipInitPassword(s, "x", 1, 0, 0, key), EReadError);
}

// ---- the password loop, for both schemes ----------------------------------------------------------

enum class Scheme { Traditional, TraditionalDescriptor, Aes128, Aes256 };

Bytes EncryptedArchive(Scheme S, const std::string& Password) {
    ZipWriter w;
    for (const char* name : {"a.txt", "b.txt"}) {
        const std::string text = std::string("contents of ") + name + " " + std::string(500, 'z');
        test::EntryOptions o;
        switch (S) {
        case Scheme::Traditional:
            o.password = Password;
            break;
        case Scheme::TraditionalDescriptor:
            o.password = Password;
            o.dataDescriptor = true;
            break;
        case Scheme::Aes128:
        case Scheme::Aes256: {
            const uint8_t strength = S == Scheme::Aes128 ? 1 : 3;
            o.aes = test::AesOptions{.strength = strength};
            o.transform = test::AesPayload(Password, strength, name[0]);
            break;
        }
        }
        w.AddFile(name, text, o);
    }
    return w.Finish();
}

std::string ExpectedText(const char* Name) {
    return std::string("contents of ") + Name + " " + std::string(500, 'z');
}

class PasswordLoop : public ::testing::TestWithParam<Scheme> {
protected:
    OpenedArchive Open() { return OpenedArchive(EncryptedArchive(GetParam(), "right")); }
};

TEST_P(PasswordLoop, HandlerGivesTheRightPasswordAndTheComponentKeepsIt) {
    OpenedArchive a = Open();
    a.Arc->SetPassword("wrong");
    std::vector<std::string> seen;
    a.Arc->FOnPassword = [&](TComponent*, const TKSString& name, AnsiString& pw, bool&) {
        seen.push_back(pw + "@" + std::string(name.begin(), name.end()));
        pw = "right";
    };
    a.Arc->ExtractFiles(u"*.*", test::kEncAllAttr, u"");
    EXPECT_EQ(seen, std::vector<std::string>{"wrong@a.txt"}); // b.txt starts with the kept password
    EXPECT_EQ(a.Arc->Password(), "right");
    EXPECT_EQ(ReadText(a.OutFile("a.txt")), ExpectedText("a.txt"));
    EXPECT_EQ(ReadText(a.OutFile("b.txt")), ExpectedText("b.txt"));
}

TEST_P(PasswordLoop, SkipLeavesTheItemOutWithoutAnError) {
    OpenedArchive a = Open();
    test::EncryptedRunLog log;
    log.AttachFailures(*a.Arc);
    int calls = 0;
    a.Arc->FOnPassword = [&](TComponent*, const TKSString&, AnsiString&, bool& skip) {
        ++calls;
        skip = true;
    };
    EXPECT_NO_THROW(a.Arc->ExtractFiles(u"*.*", test::kEncAllAttr, u""));
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(log.Natives.empty());
    EXPECT_FALSE(fs::exists(a.OutFile("a.txt")));
    EXPECT_FALSE(fs::exists(a.OutFile("b.txt")));
    EXPECT_EQ(test::OutcomeOf(*a.Arc, 0), TKSItemOutcome::Skipped);
    EXPECT_EQ(test::OutcomeOf(*a.Arc, 1), TKSItemOutcome::Skipped);
}

TEST_P(PasswordLoop, HandlerThatChangesNothingIsAskedAgain) {
    OpenedArchive a = Open();
    a.Arc->SetPassword("wrong");
    int calls = 0;
    a.Arc->FOnPassword = [&](TComponent*, const TKSString&, AnsiString& pw, bool&) {
        if (++calls == 3)
            pw = "right";
        else if (calls == 2)
            pw = "wrong"; // assigned, but unchanged
    };
    a.Arc->ExtractFiles(u"a.txt", test::kEncAllAttr, u"");
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(ReadText(a.OutFile("a.txt")), ExpectedText("a.txt"));
}

TEST_P(PasswordLoop, OverlongPasswordFailsTheCheckLikeAnyWrongOne) {
    OpenedArchive a = Open();
    a.Arc->SetPassword(std::string(40000, 'p')); // longer than any key derivation takes
    int calls = 0;
    a.Arc->FOnPassword = [&](TComponent*, const TKSString&, AnsiString& pw, bool&) {
        ++calls;
        pw = "right";
    };
    a.Arc->ExtractFiles(u"a.txt", test::kEncAllAttr, u"");
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(ReadText(a.OutFile("a.txt")), ExpectedText("a.txt"));
}

TEST_P(PasswordLoop, BuiltInDialogAnswersWithoutAHandler) {
    OpenedArchive a = Open();
    test::ScriptedPrompts prompts;
    prompts.AnswerPassword("nope");
    prompts.AnswerPassword("right");
    a.Arc->ExtractFiles(u"*.*", test::kEncAllAttr, u"");
    ASSERT_EQ(prompts.Passwords.size(), 2u);
    EXPECT_EQ(prompts.Passwords[0].Caption, "Password for \"a.txt\"");
    EXPECT_EQ(prompts.Passwords[0].Prompt, "Enter password: ");
    EXPECT_EQ(ReadText(a.OutFile("a.txt")), ExpectedText("a.txt"));
    EXPECT_EQ(ReadText(a.OutFile("b.txt")), ExpectedText("b.txt"));
}

TEST_P(PasswordLoop, CancelledDialogSkips) {
    OpenedArchive a = Open();
    a.Arc->SetPassword("wrong");
    test::ScriptedPrompts prompts;
    prompts.AnswerPassword(std::nullopt);
    prompts.AnswerPassword("right");
    a.Arc->ExtractFiles(u"*.*", test::kEncAllAttr, u"");
    EXPECT_EQ(a.Arc->Password(), "right");
    EXPECT_FALSE(fs::exists(a.OutFile("a.txt")));
    EXPECT_EQ(test::OutcomeOf(*a.Arc, 0), TKSItemOutcome::Skipped);
    EXPECT_EQ(ReadText(a.OutFile("b.txt")), ExpectedText("b.txt"));
}

TEST_P(PasswordLoop, TestRunChecksWithThePassword) {
    OpenedArchive a = Open();
    a.Arc->SetPassword("right");
    a.Arc->TestFiles(u"*.*", test::kEncAllAttr, u"");
    EXPECT_EQ(test::OutcomeOf(*a.Arc, 0), TKSItemOutcome::Done);
    EXPECT_EQ(test::OutcomeOf(*a.Arc, 1), TKSItemOutcome::Done);
}

INSTANTIATE_TEST_SUITE_P(Schemes, PasswordLoop,
                         ::testing::Values(Scheme::Traditional, Scheme::TraditionalDescriptor, Scheme::Aes128,
                                           Scheme::Aes256),
                         [](const auto& i) {
                             switch (i.param) {
                             case Scheme::Traditional:
                                 return std::string("Traditional");
                             case Scheme::TraditionalDescriptor:
                                 return std::string("TraditionalDescriptor");
                             case Scheme::Aes128:
                                 return std::string("Aes128");
                             case Scheme::Aes256:
                                 break;
                             }
                             return std::string("Aes256");
                         });

// ---- a wrong password that passes the one-byte check ----------------------------------------------

std::string FixtureTextForMethod(uint16_t Method) {
    // Compressible text for deflate, so that garbage is likely to upset the decoder first.
    return Method == 8 ? test::FixtureLines() : std::string("stored text that must not survive");
}

// A password other than "right" whose decrypted header ends with the entry's check byte.
std::string LuckyWrongPassword(const Bytes& Archive, const test::ArchiveLayout& L, uint8_t Check) {
    for (int i = 0; i < 100000; ++i) {
        const std::string pw = "w" + std::to_string(i);
        TZipKey key;
        TZipKeyHeader header;
        std::copy(Archive.begin() + static_cast<long>(L.entries[0].dataOffset),
                  Archive.begin() + static_cast<long>(L.entries[0].dataOffset) + 12, header.Bytes);
        ZipKeyInit(pw, key, header);
        if (header.Bytes[11] == Check)
            return pw;
    }
    return {};
}

TEST(ZipCryptoWrongPassword, PassingTheCheckStillFailsTheItem) {
    for (const uint16_t method : {uint16_t{0}, uint16_t{8}}) {
        const std::string text = FixtureTextForMethod(method);
        ZipWriter w;
        w.AddFile("x.txt", text, {.method = method, .password = std::string("right")});
        const Bytes zip = w.Finish();
        const std::string lucky =
            LuckyWrongPassword(zip, w.Layout(), static_cast<uint8_t>(test::Crc32(test::ToBytes(text)) >> 24));
        ASSERT_FALSE(lucky.empty());
        OpenedArchive a(zip);
        test::EncryptedRunLog log;
        EXPECT_EQ(test::ExtractWithPassword(*a.Arc, lucky, log), 0) << "method " << method;
        EXPECT_EQ(log.Natives, std::vector<int32_t>{8}) << "method " << method;
        EXPECT_FALSE(fs::exists(a.OutFile("x.txt")));
    }
}

} // namespace
} // namespace ks
