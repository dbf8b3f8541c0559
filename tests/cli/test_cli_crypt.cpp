// kestrel extract/test -p on encrypted entries of every scheme and writer, wrong and missing
// passwords without a terminal (skipped, reported, exit 1, never waiting), and non-ASCII
// passwords in the ANSI and the UTF-8 form.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/cli/CliRun.h"
#include "tests/support/AesEntryWriter.h"

namespace ks {
namespace {

namespace fs = std::filesystem;
using test::RunKestrel;

std::string Fx(const std::string& Name) {
    return (fs::path(KS_FIXTURES_DIR) / "encrypted" / Name).string();
}

std::string Lines() {
    std::string s;
    char line[80];
    for (int i = 0; i < 200; ++i) {
        std::snprintf(line, sizeof line, "line %04d: the quick brown fox jumps over the lazy dog\n", i);
        s += line;
    }
    return s;
}

const char* const kTwoItemFixtures[] = {"zip_crypt.zip", "zip_crypt_stream.zip", "7z_zipcrypto.zip",
                                        "7z_aes128.zip", "7z_aes192.zip",        "7z_aes256.zip",
                                        "zipjs_ae2.zip"};

class CliCrypt : public ::testing::TestWithParam<const char*> {};

TEST_P(CliCrypt, ExtractAndTestWithThePassword) {
    test::TempDir dir;
    const auto r = RunKestrel({"extract", Fx(GetParam()), "-p", "secret", "-d", dir.Path().string()});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(test::Slurp(dir.Path() / "hello.txt"), "Hello, Kestrel!\n");
    EXPECT_EQ(test::Slurp(dir.Path() / "lines.txt"), Lines());

    const auto t = RunKestrel({"test", Fx(GetParam()), "-p", "secret"});
    EXPECT_EQ(t.Status, 0) << t.Err;
    EXPECT_EQ(t.Out, "2 items tested, 2 sound, 0 not\n");
}

TEST_P(CliCrypt, WrongOrMissingPasswordSkipsEveryItemWithoutWaiting) {
    for (const bool give : {true, false}) {
        test::TempDir dir;
        std::vector<std::string> args = {"extract", Fx(GetParam()), "-d", dir.Path().string()};
        if (give)
            args.insert(args.end(), {"-p", "Secret"});
        const auto r = RunKestrel(args);
        EXPECT_EQ(r.Status, 1);
        EXPECT_NE(r.Err.find("kestrel: hello.txt: skipped (no password given)"), std::string::npos) << r.Err;
        EXPECT_NE(r.Err.find("kestrel: lines.txt: skipped (no password given)"), std::string::npos) << r.Err;
        EXPECT_NE(r.Err.find("not asked (standard input is not a terminal): Password for \"hello.txt\""),
                  std::string::npos)
            << r.Err;
        EXPECT_FALSE(fs::exists(dir.Path() / "hello.txt"));
        EXPECT_FALSE(fs::exists(dir.Path() / "lines.txt"));

        const auto t = RunKestrel({"test", Fx(GetParam()), "-p", "Secret"});
        EXPECT_EQ(t.Status, 1);
        EXPECT_EQ(t.Out, "2 items tested, 0 sound, 2 not\n");
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, CliCrypt, ::testing::ValuesIn(kTwoItemFixtures), [](const auto& i) {
    std::string n = i.param;
    return n.substr(0, n.find('.'));
});

// "jelszó€" and "jelsző" as typed (UTF-8) and in single-byte code pages.
const std::string kJelszoEuro = "jelsz\xc3\xb3\xe2\x82\xac";
const std::string kJelszoO2 = "jelsz\xc5\x91";

struct NonAsciiCase {
    const char* label;
    std::string archive; // a fixture name, or "" for the writer-made archive below
    std::string storedPassword;
    const char* ansiPage;
    std::string typed;
    int status;
};

class CliNonAscii : public ::testing::TestWithParam<NonAsciiCase> {};

TEST_P(CliNonAscii, AnsiFirstThenUtf8) {
    const NonAsciiCase& c = GetParam();
    test::TempDir dir;
    std::string zip = c.archive.empty() ? "" : Fx(c.archive);
    if (zip.empty()) {
        // One traditional and one AES entry with the password's bytes as a Windows program stores them.
        test::ZipWriter w;
        w.AddFile("hello.txt", "Hello, Kestrel!\n", {.password = c.storedPassword});
        w.AddFile(
            "aes.txt", "Hello, Kestrel!\n",
            {.aes = test::AesOptions{.strength = 3}, .transform = test::AesPayload(c.storedPassword, 3)});
        zip = dir.Write("ansi.zip", w.Finish()).string();
    }
    const auto out = dir.Path() / "out";
    const auto r = RunKestrel({"extract", zip, "-p", c.typed, "--ansi-cp", c.ansiPage, "-d", out.string()});
    EXPECT_EQ(r.Status, c.status) << r.Err;
    EXPECT_EQ(fs::exists(out / "hello.txt"), c.status == 0);
    if (c.status == 0) {
        EXPECT_EQ(test::Slurp(out / "hello.txt"), "Hello, Kestrel!\n");
        EXPECT_EQ(test::Slurp(out / "aes.txt"), c.archive.empty() ? "Hello, Kestrel!\n" : "");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliNonAscii,
    ::testing::Values(
        // Info-ZIP on Linux and zip.js store the UTF-8 bytes: the UTF-8 retry opens them.
        NonAsciiCase{"InfoZipUtf8", "zip_crypt_nonascii.zip", "", "1252", kJelszoEuro, 0},
        NonAsciiCase{"ZipJsUtf8", "zipjs_ae2_nonascii.zip", "", "1250", kJelszoEuro, 0},
        // A Windows program's bytes: the ANSI form opens them at once.
        NonAsciiCase{"Cp1252", "", "jelsz\xf3\x80", "1252", kJelszoEuro, 0},
        NonAsciiCase{"Cp1250", "", "jelsz\xf5", "1250", kJelszoO2, 0},
        // The wrong page: "ő" is not in 1252, so neither form matches.
        NonAsciiCase{"WrongPage", "", "jelsz\xf5", "1252", kJelszoO2, 1}),
    [](const auto& i) { return std::string(i.param.label); });

TEST(CliCryptHelp, DescribesPasswords) {
    const auto r = RunKestrel({"--help"});
    EXPECT_EQ(r.Status, 0);
    EXPECT_NE(r.Out.find("tried in the ANSI code"), std::string::npos);
    EXPECT_NE(r.Out.find("once more as UTF-8"), std::string::npos);
}

} // namespace
} // namespace ks
