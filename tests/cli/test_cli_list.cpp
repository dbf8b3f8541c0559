// test_cli_list.cpp -- "kestrel list" and "kestrel --help", run as a program.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/cli/CliRun.h"
#include "tests/support/ZipWriter.h"

namespace ks {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::Lines;
using test::RunKestrel;
using test::TempDir;
using test::ZipWriter;
using Names = std::vector<std::string>;

struct FixtureCase {
    std::string File;
    std::vector<std::string> Options;
    Names Expected;
};

class ListFixtures : public ::testing::TestWithParam<FixtureCase> {};

TEST_P(ListFixtures, PrintsStoredNamesInDirectoryOrder) {
    const FixtureCase& C = GetParam();
    std::vector<std::string> Args = {"list"};
    Args.insert(Args.end(), C.Options.begin(), C.Options.end());
    Args.push_back(C.File);
    const auto R = RunKestrel(Args);
    EXPECT_EQ(R.Status, 0) << R.Err;
    EXPECT_EQ(R.Err, "");
    EXPECT_EQ(Lines(R.Out), C.Expected);
}

const std::string Fx = KS_FIXTURES_DIR;
const std::string CliFx = KS_CLI_FIXTURES_DIR;
const Names PlainNames = {"hello.txt", "dir/", "dir/sub/", "dir/sub/inner.txt"};

INSTANTIATE_TEST_SUITE_P(
    Fixtures, ListFixtures,
    ::testing::Values(
        FixtureCase{(Fx + "/zip_plain.zip"), {}, PlainNames},
        FixtureCase{(Fx + "/zip_stub_adjusted.zip"), {}, PlainNames},
        FixtureCase{(Fx + "/zip_stub_unadjusted.zip"), {}, PlainNames},
        FixtureCase{(Fx + "/zip_zip64.zip"), {}, {"hello.txt", "lines.txt", "dir/sub/inner.txt"}},
        FixtureCase{(Fx + "/zip_traditional.zip"), {}, {"hello.txt", "lines.txt"}},
        FixtureCase{(Fx + "/7z_aes256.zip"), {}, {"hello.txt", "lines.txt", "árvíztűrő.txt"}},
        FixtureCase{(Fx + "/7z_utf8.zip"), {}, {"árvíztűrő.txt", "Ő/", "Ő/αβγ.txt", "Ő/漢字.txt"}},
        FixtureCase{(Fx + "/py_utf8.zip"), {}, {"tükörfúrógép.txt", "Ελληνικά/ώ.txt"}},
        // 8-bit names go through the OEM page, then the ANSI page.
        FixtureCase{(CliFx + "/zip_cp852_names.zip"),
                    {"--oem-cp", "852", "--ansi-cp", "1250"},
                    {"kertő.txt", "árvíz.txt"}},
        FixtureCase{(CliFx + "/zip_cp852_names.zip"),
                    {"--oem-cp", "437", "--ansi-cp", "1252"},
                    {"kertï.txt", "árvíz.txt"}},
        // What the ANSI page cannot hold becomes its replacement character.
        FixtureCase{(CliFx + "/zip_cp852_names.zip"),
                    {"--ansi-cp", "1252", "--oem-cp", "852"},
                    {"kert?.txt", "árvíz.txt"}}));

TEST(ListVerbose, ColumnsDescribeEachItem) {
    TempDir D;
    ZipWriter W;
    test::EntryOptions Text;
    Text.dosTime = (13 << 11) | (45 << 5) | (30 / 2);    // 13:45:30
    Text.dosDate = ((2024 - 1980) << 9) | (2 << 5) | 29; // 2024-02-29
    const Bytes Data(2000, 'a');
    W.AddFile("docs/a.txt", Data, Text);
    W.AddDirectory("docs/");
    test::EntryOptions Secret;
    Secret.method = 0;
    Secret.password = "pw";
    Secret.externalAttr = 0x21;
    W.AddFile("s.bin", "12345", Secret);
    const auto P = D.Write("v.zip", W.Finish());
    const auto R = RunKestrel({"list", "-v", P.string()});
    ASSERT_EQ(R.Status, 0) << R.Err;
    const auto L = Lines(R.Out);
    ASSERT_EQ(L.size(), 5u) << R.Out; // header, three items, totals
    EXPECT_NE(L[0].find("Length"), std::string::npos);
    EXPECT_NE(L[0].find("CRC-32"), std::string::npos);

    char Crc[16];
    std::snprintf(Crc, sizeof(Crc), "%08X", test::Crc32(Data));
    EXPECT_NE(L[1].find(" 2000 "), std::string::npos) << L[1];
    EXPECT_NE(L[1].find("2024-02-29 13:45:30"), std::string::npos) << L[1];
    EXPECT_NE(L[1].find(Crc), std::string::npos) << L[1];
    EXPECT_NE(L[1].find("Deflate"), std::string::npos) << L[1];
    EXPECT_TRUE(L[1].ends_with(" - docs/a.txt") || L[1].find("-         docs/a.txt") != std::string::npos)
        << L[1];
    EXPECT_NE(L[2].find("d----"), std::string::npos) << L[2];
    EXPECT_NE(L[2].find("100.0%"), std::string::npos) << L[2]; // empty item
    EXPECT_TRUE(L[2].ends_with("docs/")) << L[2];
    EXPECT_NE(L[3].find("-r--a"), std::string::npos) << L[3];
    EXPECT_NE(L[3].find("Stored"), std::string::npos) << L[3];
    EXPECT_NE(L[3].find("ZipCrypto"), std::string::npos) << L[3];
    EXPECT_NE(L[3].find("  0.0%"), std::string::npos) << L[3]; // bigger than stored: never negative
    EXPECT_NE(L[4].find("3 items"), std::string::npos) << L[4];
}

TEST(ListNames, ControlCharactersAreEscaped) {
    TempDir D;
    ZipWriter W;
    W.AddFile("evil\n\x1b[2Jname.txt", "x");
    W.AddFile("next.txt", "y");
    test::EntryOptions Utf8;
    Utf8.flags = 0x0800; // the name is UTF-8: four-byte characters come out whole
    W.AddFile("\xF0\x9F\x98\x80 ő.txt", "z", Utf8);
    test::EntryOptions Lone;
    Lone.unicodeName = TKSString(u"a") + char16_t(0xD800) + u"b"; // a lone surrogate
    W.AddFile("lone.txt", "w", Lone);
    const auto R = RunKestrel({"list", D.Write("c.zip", W.Finish()).string()});
    ASSERT_EQ(R.Status, 0) << R.Err;
    EXPECT_EQ(Lines(R.Out), (Names{"evil\\x0A\\x1B[2Jname.txt", "next.txt", "\xF0\x9F\x98\x80 ő.txt",
                                   "a\xEF\xBF\xBD"
                                   "b"}));
}

TEST(ListNames, DoubleDashEndsTheOptions) {
    // After "--" an argument that looks like an option is the archive's name.
    const auto R = RunKestrel({"list", "--", "--help"});
    EXPECT_EQ(R.Status, 2);
    EXPECT_EQ(R.Out, "");
    EXPECT_EQ(R.Err, "Kestrel: File \"--help\" not found - Native error: 00012\n");
    const auto Verbose = RunKestrel({"list", "--", "-v"});
    EXPECT_EQ(Verbose.Err, "Kestrel: File \"-v\" not found - Native error: 00012\n");
}

TEST(ListNames, EmptyArchivePrintsNothing) {
    TempDir D;
    const Bytes Empty = {0x50, 0x4B, 0x05, 0x06, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const auto P = D.Write("empty.zip", Empty);
    const auto R = RunKestrel({"list", P.string()});
    EXPECT_EQ(R.Status, 0) << R.Err;
    EXPECT_EQ(R.Out, "");
    EXPECT_EQ(test::ReadFileBytes(P), Empty); // read-only: nothing written
}

TEST(ListNames, DamagedArchiveIsListedFromItsLocalHeaders) {
    TempDir D;
    ZipWriter W;
    W.AddFile("one.txt", "1");
    W.AddFile("two.txt", "2");
    const auto P = D.Write("cut.zip", test::CutEndRecord(W.Finish(), W.Layout()));
    const auto R = RunKestrel({"list", P.string()});
    EXPECT_EQ(R.Status, 0) << R.Err;
    EXPECT_EQ(Lines(R.Out), (Names{"one.txt", "two.txt"}));
}

struct FailureCase {
    const char* Title;
    std::vector<std::string> Args;
    const char* StderrPart; // must appear in standard error
};

class ListFailures : public ::testing::TestWithParam<FailureCase> {};

TEST_P(ListFailures, ExitTwoWithMessage) {
    const auto R = RunKestrel(GetParam().Args);
    EXPECT_EQ(R.Status, 2) << GetParam().Title;
    EXPECT_EQ(R.Out, "") << GetParam().Title;
    EXPECT_NE(R.Err.find(GetParam().StderrPart), std::string::npos) << GetParam().Title << ": " << R.Err;
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, ListFailures,
    ::testing::Values(
        FailureCase{"no verb", {}, "Usage: kestrel"},
        FailureCase{"unknown verb", {"frobnicate"}, "unknown verb"},
        FailureCase{"no archive", {"list"}, "missing ARCHIVE"},
        FailureCase{"two archives", {"list", "a.zip", "b.zip"}, "only one ARCHIVE"},
        FailureCase{"unknown option", {"list", "-x", "a.zip"}, "unknown option"},
        FailureCase{"code page without number", {"list", "a.zip", "--oem-cp"}, "needs a code page"},
        FailureCase{"code page not a number", {"list", "--ansi-cp", "12a", "a.zip"}, "not a code page"},
        FailureCase{"unsupported code page", {"list", "--oem-cp", "65001", "a.zip"}, "not supported"}));

TEST(ListErrors, MissingArchiveGivesNative12AndCreatesNothing) {
    TempDir D;
    const fs::path P = D.Path() / "typo.zip";
    const auto R = RunKestrel({"list", P.string()});
    EXPECT_EQ(R.Status, 2);
    EXPECT_EQ(R.Out, "");
    EXPECT_EQ(R.Err, "Kestrel: File \"" + P.string() + "\" not found - Native error: 00012\n");
    EXPECT_FALSE(fs::exists(P));
    // A folder is not an archive either.
    const auto Dir = RunKestrel({"list", D.Path().string()});
    EXPECT_EQ(Dir.Status, 2);
    EXPECT_TRUE(Dir.Err.ends_with("Native error: 00012\n")) << Dir.Err;
}

TEST(ListErrors, GarbageFailsCleanly) {
    TempDir D;
    struct Garbage {
        const char* Name;
        Bytes Data;
    };
    const Garbage Cases[] = {{"noise.zip", test::NoiseBytes(70000, 11)},
                             {"empty.zip", {}},
                             {"short.zip", {0x50, 0x4B, 0x05}},
                             {"header-only.zip", {0x50, 0x4B, 0x03, 0x04, 1, 2, 3}}};
    for (const Garbage& G : Cases) {
        const auto R = RunKestrel({"list", D.Write(G.Name, G.Data).string()});
        EXPECT_EQ(R.Status, 2) << G.Name << ": " << R.Out;
        EXPECT_NE(R.Err.find("Native error: "), std::string::npos) << G.Name << ": " << R.Err;
        EXPECT_EQ(R.Out, "") << G.Name;
    }
}

TEST(Help, DocumentsEveryVerb) {
    const auto R = RunKestrel({"--help"});
    EXPECT_EQ(R.Status, 0);
    EXPECT_NE(R.Out.find("kestrel list ARCHIVE [-v] [--oem-cp N] [--ansi-cp N]"), std::string::npos) << R.Out;
    EXPECT_NE(R.Out.find("Exit status"), std::string::npos);
    const auto V = RunKestrel({"list", "--help"});
    EXPECT_EQ(V.Status, 0);
    EXPECT_NE(V.Out.find("--oem-cp N"), std::string::npos) << V.Out;
}

} // namespace
} // namespace ks
