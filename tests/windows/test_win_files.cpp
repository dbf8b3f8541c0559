// File operations on Windows: wide names, both separators, deep paths, delete and rename rules.
#include <filesystem>
#include <gtest/gtest.h>
#include <vector>

#include "PlatformTestUtil.h"
#include "platform/KSFiles.h"
#include "platform/KSStreams.h"

namespace ks {
namespace {

namespace fs = std::filesystem;

using WinFilesTest = test::ScratchTest;

TEST_F(WinFilesTest, WideNamesReachTheFileSystemAsUtf16) {
    const TKSString Leaf = u"\u0150r\u00FCl\u0151 \u4E2D\U0001F600.txt";
    {
        TKSFileStream F(Wide("") + Leaf, fmCreate);
        F.WriteBuffer("abc", 3);
    }
    const fs::path Expected = Dir / fs::path(std::u16string(Leaf));
    EXPECT_TRUE(fs::is_regular_file(Expected));
    EXPECT_EQ(fs::file_size(Expected), 3u);
    EXPECT_TRUE(KSFileExists(Wide("") + Leaf));
    // Names that differ only in case are the same file on Windows.
    EXPECT_TRUE(KSFileExists(Wide("") + u"\u0150R\u00DCL\u0150 \u4E2D\U0001F600.TXT"));
}

TEST_F(WinFilesTest, BothSeparatorsAndTrailingOnes) {
    TKSString Mixed = Wide("a");
    Mixed += u"/b\\c/";
    ASSERT_TRUE(KSForceDirectories(Mixed));
    EXPECT_TRUE(fs::is_directory(Dir / "a" / "b" / "c"));
    EXPECT_TRUE(KSDirectoryExists(Wide("a") + u"\\b/c\\"));
    EXPECT_FALSE(KSForceDirectories(u""));
    // A file in the way makes the folder impossible.
    WriteFile("file", "x");
    EXPECT_FALSE(KSForceDirectories(Wide("file") + u"\\sub"));
}

// Names beyond the classic 260-character limit still work (deep extraction targets).
TEST_F(WinFilesTest, DeepPathsBeyondMaxPath) {
    TKSString Deep = Wide("");
    std::vector<TKSString> Levels;
    for (int I = 0; I < 12; ++I) {
        Deep += u"folder_with_a_long_name_" + TKSString(1, static_cast<TKSChar>(u'a' + I)) + u"\\";
        Levels.push_back(Deep);
    }
    ASSERT_GT(Deep.size(), 300u);
    ASSERT_TRUE(KSForceDirectories(Deep));
    const TKSString File = Deep + u"inner.txt";
    {
        TKSFileStream F(File, fmCreate);
        F.WriteBuffer("deep", 4);
    }
    EXPECT_TRUE(KSFileExists(File));
    EXPECT_EQ(KSGetFileAttr(File) & faDirectory, 0u);
    EXPECT_NE(KSFileAge(File), -1);
    EXPECT_TRUE(KSDeleteFile(File.c_str()));
    EXPECT_FALSE(KSFileExists(File));
    // The C++ library's remove_all cannot reach that deep: remove the levels here.
    for (auto It = Levels.rbegin(); It != Levels.rend(); ++It)
        EXPECT_TRUE(KSRemoveDir(*It));
}

TEST_F(WinFilesTest, DeleteAndRenameFollowTheSystemRules) {
    WriteFile("a", "1");
    WriteFile("b", "2");
    fs::create_directory(Native("d"));
    const TKSString A = Wide("a"), B = Wide("b"), C = Wide("c"), D = Wide("d");
    // Rename never replaces an existing file.
    EXPECT_FALSE(KSRenameFile(A.c_str(), B.c_str()));
    EXPECT_EQ(ReadFile("b"), "2");
    EXPECT_TRUE(KSRenameFile(A.c_str(), C.c_str()));
    EXPECT_EQ(ReadFile("c"), "1");
    // Folders are not deleted as files; a read-only file must be made writable first.
    EXPECT_FALSE(KSDeleteFile(D.c_str()));
    ASSERT_TRUE(KSSetFileAttr(B, faReadOnly));
    EXPECT_FALSE(KSDeleteFile(B.c_str()));
    ASSERT_TRUE(KSSetFileAttr(B, 0));
    EXPECT_TRUE(KSDeleteFile(B.c_str()));
    EXPECT_FALSE(KSDeleteFile(B.c_str()));
    EXPECT_TRUE(KSRemoveDir(D));
    EXPECT_FALSE(KSDirectoryExists(D));
}

TEST_F(WinFilesTest, CurrentDirIsTheSystemsOwnSpelling) {
    const fs::path Old = fs::current_path();
    fs::current_path(Dir);
    const TKSString Cur = KSGetCurrentDir();
    fs::current_path(Old);
    EXPECT_EQ(fs::path(std::u16string(Cur)), fs::absolute(Dir).make_preferred());
    EXPECT_EQ(Cur.find(u'/'), TKSString::npos);
    ASSERT_GE(Cur.size(), 3u);
    EXPECT_EQ(Cur[1], u':');
}

} // namespace
} // namespace ks
