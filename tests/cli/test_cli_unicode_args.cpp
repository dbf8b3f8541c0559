// Archive names, masks and target folders outside the ANSI code page reach the tool intact (on
// Windows it reads the wide command line) and the names it prints are UTF-8.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/cli/CliRun.h"
#include "tests/support/ZipWriter.h"

namespace ks {
namespace {

namespace fs = std::filesystem;
using test::Lines;
using test::RunKestrel;
using test::TempDir;

// A path as UTF-8 text on every platform (path::string() is the ANSI code page on Windows).
std::string U8(const fs::path& P) {
    const std::u8string S = P.u8string();
    return std::string(S.begin(), S.end());
}

fs::path FromU8(const std::string& S) {
    return fs::path(std::u8string(S.begin(), S.end()));
}

// "ő" and "Ł" are in no Western code page, the Greek and CJK names in no single-byte one.
const std::string kFolder = "\xc3\xa1rv\xc3\xadz \xc5\x91";      // árvíz ő
const std::string kArchive = "t\xc3\xbck\xc3\xb6r \xc5\x81.zip"; // tükör Ł.zip
const std::string kGreek = "\xce\xb1\xce\xb2\xce\xb3.txt";       // αβγ.txt
const std::string kHan = "\xe6\xbc\xa2\xe5\xad\x97.txt";         // 漢字.txt
const std::string kSub = "\xc5\x90/";                            // Ő/

struct ArgCase {
    const char* Label;
    std::vector<std::string> Verb;  // the verb and the options before the archive
    std::vector<std::string> After; // after the archive ("%out" stands for the target folder)
    std::vector<std::string> OutLines;
    std::vector<std::string> Extracted; // files expected below the target folder
};

class UnicodeArgs : public ::testing::TestWithParam<ArgCase> {};

TEST_P(UnicodeArgs, ReachTheToolIntact) {
    const ArgCase& C = GetParam();
    TempDir D;
    const fs::path Folder = D.Path() / FromU8(kFolder);
    fs::create_directories(Folder);
    test::ZipWriter W;
    test::EntryOptions Utf8;
    Utf8.flags = 0x0800;
    W.AddFile("plain.txt", "p");
    W.AddFile(kSub + kGreek, "g", Utf8);
    W.AddFile(kHan, "h", Utf8);
    const std::vector<uint8_t> Zip = W.Finish();
    const fs::path Archive = Folder / FromU8(kArchive);
    {
        std::ofstream Out(Archive, std::ios::binary);
        Out.write(reinterpret_cast<const char*>(Zip.data()), static_cast<std::streamsize>(Zip.size()));
    }
    const fs::path Target = Folder / FromU8("c\xc3\xa9l \xc5\x91"); // cél ő
    std::vector<std::string> Args = C.Verb;
    Args.push_back(U8(Archive));
    for (const std::string& A : C.After)
        Args.push_back(A == "%out" ? U8(Target) : A);
    const auto R = RunKestrel(Args);
    ASSERT_EQ(R.Status, 0) << R.Err;
    EXPECT_EQ(Lines(R.Out), C.OutLines);
    for (const std::string& F : C.Extracted)
        EXPECT_TRUE(fs::is_regular_file(Target / FromU8(F))) << F;
    if (fs::exists(Target)) {
        size_t Files = 0;
        for (const auto& E : fs::recursive_directory_iterator(Target))
            Files += E.is_regular_file();
        EXPECT_EQ(Files, C.Extracted.size());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Verbs, UnicodeArgs,
    ::testing::Values(ArgCase{"List", {"list"}, {}, {"plain.txt", kSub + kGreek, kHan}, {}},
                      ArgCase{"ExtractByMask", {"extract"}, {"-d", "%out", kHan}, {}, {kHan}},
                      ArgCase{
                          "ExtractFolderMask", {"extract"}, {"-d", "%out", kSub + "*"}, {}, {kSub + kGreek}},
                      ArgCase{"TestByMask", {"test"}, {"*" + kGreek}, {"1 item tested, 1 sound, 0 not"}, {}}),
    [](const auto& I) { return std::string(I.param.Label); });

} // namespace
} // namespace ks
