// test_search.cpp -- FindFirst/FindNext over archives written by the test ZIP writer.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archive/Kestrel.h"
#include "platform/KSStrings.h"
#include "tests/support/ZipWriter.h"

namespace ks {
namespace {

using test::Bytes;
using test::TempDir;
using test::ZipWriter;

// Entry options with a few fields changed (designated initializers would leave the rest to the
// compiler's missing-initializer warning).
test::EntryOptions With(const std::function<void(test::EntryOptions&)>& Edit) {
    test::EntryOptions O;
    Edit(O);
    return O;
}

// An open component over an archive file in a temporary folder.
class OpenArchive {
public:
    explicit OpenArchive(const Bytes& Archive) {
        const auto Path = FDir.Write("search.zip", Archive);
        FArc.SetFileName(Path.u16string());
        FArc.OpenArchive();
    }
    TKestrel& Arc() { return FArc; }

    // The stored names (with '/') of every item found, in order.
    std::vector<std::string> Find(const TKSString& Mask, int32_t Attr = 63,
                                  const TKSString& Exclusion = u"") {
        std::vector<std::string> Found;
        TKSArchiveItem F;
        for (bool Ok = FArc.FindFirst(Mask, F, Attr, Exclusion); Ok; Ok = FArc.FindNext(F)) {
            TKSString Full = F.StoredPath + F.FileName;
            for (auto& C : Full)
                if (C == u'\\')
                    C = u'/';
            Found.push_back(WideToUtf8(Full));
        }
        return Found;
    }

private:
    TempDir FDir;
    TKestrel FArc;
};

Bytes SampleArchive() {
    ZipWriter W;
    W.AddFile("README.TXT", "read me");
    W.AddFile("notes.", "notes");
    W.AddFile("a.txt", "a");
    W.AddDirectory("docs/");
    W.AddFile("docs/ReadMe.txt", "docs readme");
    W.AddFile("docs/b.txt", "b");
    W.AddFile("docs/sub/a.txt", "deep");
    W.AddFile("x/y.tmp", "tmp");
    W.AddFile("hidden.bin", "h", With([](auto& O) { O.externalAttr = 0x22; }));
    return W.Finish();
}

using Names = std::vector<std::string>;

struct SearchCase {
    const char* Title;
    const char16_t* Mask;
    bool Recurse;
    int32_t Attr;
    const char16_t* Exclusion;
    Names Expected;
};

class SearchTable : public ::testing::TestWithParam<SearchCase> {};

TEST_P(SearchTable, FindsInDirectoryOrder) {
    const SearchCase& C = GetParam();
    OpenArchive A(SampleArchive());
    A.Arc().Options()->SetRecurse(C.Recurse);
    EXPECT_EQ(A.Find(C.Mask, C.Attr, C.Exclusion), C.Expected) << C.Title;
}

const Names All = {"README.TXT", "notes.",         "a.txt",   "docs",      "docs/ReadMe.txt",
                   "docs/b.txt", "docs/sub/a.txt", "x/y.tmp", "hidden.bin"};

INSTANTIATE_TEST_SUITE_P(
    Masks, SearchTable,
    ::testing::Values(
        SearchCase{"*.* finds everything, folders included", u"*.*", true, 63, u"", All},
        SearchCase{"* finds everything with the default filter", u"*", true, 10431, u"", All},
        SearchCase{
            "filter 0 skips folders and hidden items",
            u"*",
            true,
            0,
            u"",
            {"README.TXT", "notes.", "a.txt", "docs/ReadMe.txt", "docs/b.txt", "docs/sub/a.txt", "x/y.tmp"}},
        SearchCase{"a mask without folders also finds items in folders, ignoring case",
                   u"readme.txt",
                   true,
                   63,
                   u"",
                   {"README.TXT", "docs/ReadMe.txt"}},
        SearchCase{"*. finds names without extension", u"*.", true, 63, u"", {"notes.", "docs"}},
        SearchCase{
            "non-recursive *.txt stays at the root", u"*.txt", false, 63, u"", {"README.TXT", "a.txt"}},
        SearchCase{"non-recursive docs/*.txt stays inside docs",
                   u"docs/*.txt",
                   false,
                   63,
                   u"",
                   {"docs/ReadMe.txt", "docs/b.txt"}},
        SearchCase{"recursive docs/*.txt runs across sub-folders",
                   u"docs/*.txt",
                   true,
                   63,
                   u"",
                   {"docs/ReadMe.txt", "docs/b.txt", "docs/sub/a.txt"}},
        SearchCase{"backslashes in the mask are folder separators",
                   u"docs\\sub\\*",
                   true,
                   63,
                   u"",
                   {"docs/sub/a.txt"}},
        SearchCase{"a drive part is dropped from the mask", u"C:docs\\b.txt", true, 63, u"", {"docs/b.txt"}},
        SearchCase{"a UNC prefix is dropped, leaving a rooted mask that no stored name has",
                   u"\\\\server\\share\\a.txt",
                   true,
                   63,
                   u"",
                   {}},
        SearchCase{"exclusion *.tmp removes x/y.tmp",
                   u"*",
                   true,
                   63,
                   u"*.tmp",
                   {"README.TXT", "notes.", "a.txt", "docs", "docs/ReadMe.txt", "docs/b.txt",
                    "docs/sub/a.txt", "hidden.bin"}},
        SearchCase{"exclusion x\\* removes nothing: names compare in their / form", u"*", true, 63, u"x\\*",
                   All},
        SearchCase{"no match", u"*.doc", true, 63, u"", {}}),
    [](const ::testing::TestParamInfo<SearchCase>& Info) { return "Case" + std::to_string(Info.index); });

TEST(Search, DriveKeptUnderFullPathWithDrive) {
    OpenArchive A(SampleArchive());
    A.Arc().Options()->SetStorePath(spFullPathWithDrive);
    EXPECT_TRUE(A.Find(u"C:a.txt").empty());
    EXPECT_EQ(A.Find(u"a.txt"), (Names{"a.txt", "docs/sub/a.txt"}));
}

TEST(Search, FillsRecordFields) {
    ZipWriter W;
    W.AddDirectory("docs/");
    const Bytes Text(1000, 'x');
    W.AddFile("docs/sub/a.txt", Text, With([](auto& O) {
                  O.comment = test::ToBytes("item note");
                  O.dosTime = 0x1234;
                  O.dosDate = 0x5678;
              }));
    W.AddFile("empty.txt", "");
    W.AddFile("noise.bin", test::NoiseBytes(4000), With([](auto& O) { O.level = 9; }));
    W.AddFile("secret.txt", "s", With([](auto& O) {
                  O.method = 0;
                  O.password = "pw";
              }));
    OpenArchive A(W.Finish());
    TKSArchiveItem F;

    ASSERT_TRUE(A.Arc().FindFirst(u"*", F, 63, u""));
    EXPECT_EQ(F.FileName, u"docs");
    EXPECT_EQ(F.StoredPath, u"");
    EXPECT_EQ(F.ExternalFileAttributes, 0x10u);

    ASSERT_TRUE(A.Arc().FindNext(F));
    EXPECT_EQ(F.FileName, u"a.txt");
    EXPECT_EQ(F.StoredPath, u"docs\\sub\\");
    EXPECT_EQ(F.UncompressedSize, 1000);
    EXPECT_LT(F.CompressedSize, 100);
    EXPECT_NEAR(F.CompressionRate, (1.0 - static_cast<double>(F.CompressedSize) / 1000.0) * 100.0, 1e-9);
    EXPECT_EQ(F.CRC, test::Crc32(Text));
    EXPECT_EQ(F.LastModFileTime, 0x1234);
    EXPECT_EQ(F.LastModFileDate, 0x5678);
    EXPECT_EQ(F.Comment, "item note");
    EXPECT_FALSE(F.Encrypted);

    ASSERT_TRUE(A.Arc().FindNext(F));
    EXPECT_EQ(F.FileName, u"empty.txt");
    EXPECT_EQ(F.CompressionRate, 100); // nothing to compress

    ASSERT_TRUE(A.Arc().FindNext(F));
    EXPECT_EQ(F.FileName, u"noise.bin");
    EXPECT_GT(F.CompressedSize, F.UncompressedSize);
    EXPECT_EQ(F.CompressionRate, 0); // never negative

    ASSERT_TRUE(A.Arc().FindNext(F));
    EXPECT_TRUE(F.Encrypted);

    // After the last match FindNext keeps returning false and leaves the fields alone.
    EXPECT_FALSE(A.Arc().FindNext(F));
    EXPECT_FALSE(A.Arc().FindNext(F));
    EXPECT_EQ(F.FileName, u"secret.txt");
}

TEST(Search, Zip64SizesComeFromTheExtraField) {
    ZipWriter W;
    W.AddFile("big.txt", std::string(5000, 'z'), With([](auto& O) { O.zip64 = true; }));
    test::FinishOptions Fin;
    Fin.zip64 = true;
    OpenArchive A(W.Finish(Fin));
    TKSArchiveItem F;
    ASSERT_TRUE(A.Arc().FindFirst(u"*", F, 63, u""));
    EXPECT_EQ(F.UncompressedSize, 5000);
    EXPECT_GT(F.CompressedSize, 0);
    EXPECT_LT(F.CompressedSize, 5000);
}

TEST(Search, ClosedComponentFindsNothing) {
    TKestrel Arc;
    TKSArchiveItem F;
    F.FileName = u"untouched";
    EXPECT_FALSE(Arc.FindFirst(u"*", F, 63, u""));
    EXPECT_FALSE(Arc.FindNext(F));
    EXPECT_EQ(F.FileName, u"untouched");

    OpenArchive A(SampleArchive());
    ASSERT_TRUE(A.Arc().FindFirst(u"*", F, 63, u""));
    A.Arc().CloseArchive();
    EXPECT_FALSE(A.Arc().FindNext(F));
}

TEST(Search, LongMaskIsUsedWhole) {
    // A mask of 300 characters must not be cut to its first 259, which would match other names.
    const std::string Folder(280, 'd');
    ZipWriter W;
    W.AddFile(Folder + "/keep.txt", "k");
    W.AddFile(Folder + "/drop.txt", "d");
    OpenArchive A(W.Finish());
    const TKSString Mask = Utf8ToWide(Folder + "/keep.txt");
    ASSERT_GT(Mask.size(), 259u);
    EXPECT_EQ(A.Find(Mask), (Names{Folder + "/keep.txt"}));
    EXPECT_EQ(A.Find(Utf8ToWide(Folder + "/*")).size(), 2u);
}

TEST(Search, TwoSearchesRunSideBySide) {
    OpenArchive A(SampleArchive());
    TKSArchiveItem Txt, Docs;
    ASSERT_TRUE(A.Arc().FindFirst(u"*.txt", Txt, 63, u""));
    ASSERT_TRUE(A.Arc().FindFirst(u"docs/*", Docs, 63, u""));
    ASSERT_TRUE(A.Arc().FindNext(Txt));
    EXPECT_EQ(Txt.FileName, u"a.txt");
    ASSERT_TRUE(A.Arc().FindNext(Docs));
    EXPECT_EQ(Docs.FileName, u"b.txt");
}

TEST(Search, EmptyAndSlashOnlyNamesDoNotBreakTheScan) {
    ZipWriter W;
    W.AddFile("/", "");
    W.AddFile("b.txt", "b");
    OpenArchive A(W.Finish());
    EXPECT_EQ(A.Find(u"*.txt"), (Names{"b.txt"}));
    EXPECT_EQ(A.Find(u"*").size(), 2u);
}

} // namespace
} // namespace ks
