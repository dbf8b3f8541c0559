// File wrappers on POSIX: existence, folders, delete and rename, attributes (permissions and the
// extended attribute), Unix modes of extracted items, and file times.
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "PlatformTestUtil.h"
#include "platform/KSFiles.h"
#include "platform/KSStreams.h"

namespace ks {
namespace {

namespace fs = std::filesystem;

unsigned ModeOf(const std::string& Native) {
    struct stat St;
    EXPECT_EQ(stat(Native.c_str(), &St), 0) << Native;
    return St.st_mode & 07777;
}

class FilesTest : public test::ScratchTest {
protected:
    // True when the scratch file system keeps user extended attributes.
    bool HaveXattrs() {
        WriteFile("probe", "");
        const bool Ok = setxattr(Native("probe").c_str(), "user.ks.probe", "1", 1, 0) == 0;
        fs::remove(Native("probe"));
        return Ok;
    }
};

TEST_F(FilesTest, ExistenceOfFilesAndFolders) {
    WriteFile("f.txt", "x");
    fs::create_directory(Native("d"));
    EXPECT_TRUE(KSFileExists(Wide("f.txt")));
    EXPECT_FALSE(KSFileExists(Wide("d")));
    EXPECT_FALSE(KSFileExists(Wide("missing")));
    EXPECT_FALSE(KSFileExists(u""));
    EXPECT_TRUE(KSDirectoryExists(Wide("d")));
    EXPECT_FALSE(KSDirectoryExists(Wide("f.txt")));
    // Backslashes inside the engine's names reach the file system as "/".
    TKSString Back = Wide("d");
    Back += u"\\..\\f.txt";
    EXPECT_TRUE(KSFileExists(Back));
}

TEST_F(FilesTest, WideNamesReachTheFileSystemAsUtf8) {
    const TKSString Name = Wide("") + u"\u0150r\u00FCl\u0151 \u4E2D\U0001F600.txt";
    {
        TKSFileStream F(Name, fmCreate);
        F.WriteBuffer("abc", 3);
    }
    EXPECT_TRUE(fs::exists(Dir / "\xC5\x90r\xC3\xBCl\xC5\x91 \xE4\xB8\xAD\xF0\x9F\x98\x80.txt"));
    EXPECT_TRUE(KSFileExists(Name));
}

TEST_F(FilesTest, ForceDirectories) {
    EXPECT_TRUE(KSForceDirectories(Wide("a/b\\c\\")));
    EXPECT_TRUE(fs::is_directory(Dir / "a/b/c"));
    EXPECT_TRUE(KSForceDirectories(Wide("a/b"))); // already there
    WriteFile("file", "");
    EXPECT_FALSE(KSForceDirectories(Wide("file/sub"))); // a file in the way
    EXPECT_FALSE(KSForceDirectories(Wide("file")));
    EXPECT_FALSE(KSForceDirectories(u""));
}

TEST_F(FilesTest, DeleteAndRename) {
    WriteFile("a", "1");
    WriteFile("b", "2");
    fs::create_directory(Native("d"));
    const TKSString A = Wide("a"), B = Wide("b"), C = Wide("c"), D = Wide("d");
    EXPECT_TRUE(KSRenameFile(A.c_str(), C.c_str()));
    EXPECT_FALSE(fs::exists(Native("a")));
    EXPECT_EQ(ReadFile("c"), "1");
    EXPECT_FALSE(KSRenameFile(A.c_str(), C.c_str())); // source gone
    EXPECT_FALSE(KSRenameFile(C.c_str(), B.c_str())); // never replaces a target
    EXPECT_EQ(ReadFile("b"), "2");
    EXPECT_EQ(ReadFile("c"), "1");
    ASSERT_TRUE(KSDeleteFile(B.c_str()));
    EXPECT_TRUE(KSRenameFile(C.c_str(), B.c_str()));
    EXPECT_EQ(ReadFile("b"), "1");
    EXPECT_TRUE(KSDeleteFile(B.c_str()));
    EXPECT_FALSE(KSDeleteFile(B.c_str()));
    EXPECT_FALSE(KSDeleteFile(D.c_str())); // folders are not deleted
    EXPECT_TRUE(fs::is_directory(Native("d")));
    EXPECT_FALSE(KSDeleteFile(nullptr));
}

TEST_F(FilesTest, ReadOnlyMapsToWriteBits) {
    WriteFile("f", "x");
    fs::permissions(Native("f"), fs::perms(0664));
    EXPECT_EQ(KSGetFileAttr(Wide("f")), 0u);
    ASSERT_TRUE(KSSetFileAttr(Wide("f"), faReadOnly));
    EXPECT_EQ(ModeOf(Native("f")), 0444u);
    EXPECT_EQ(KSGetFileAttr(Wide("f")), faReadOnly);

    const mode_t Old = umask(027);
    ASSERT_TRUE(KSSetFileAttr(Wide("f"), 0));
    umask(Old);
    EXPECT_EQ(ModeOf(Native("f")), 0644u); // owner write, group write withheld by the umask
    EXPECT_EQ(KSGetFileAttr(Wide("f")), 0u);

    fs::create_directory(Native("d"));
    EXPECT_EQ(KSGetFileAttr(Wide("d")), faDirectory);
    EXPECT_TRUE(KSSetFileAttr(Wide("d"), faDirectory)); // the type bit is not an error
    EXPECT_EQ(KSGetFileAttr(Wide("missing")), KSInvalidFileAttributes);
    EXPECT_FALSE(KSSetFileAttr(Wide("missing"), 0));
}

TEST_F(FilesTest, HiddenSystemArchiveRoundTrip) {
    if (!HaveXattrs())
        GTEST_SKIP() << "the scratch file system keeps no user extended attributes";
    WriteFile("f", "x");
    const uint32_t Cases[] = {
        faHidden, faSysFile, faArchive, faHidden | faSysFile | faArchive | faReadOnly, faArchive | faReadOnly,
        0};
    for (uint32_t A : Cases) {
        ASSERT_TRUE(KSSetFileAttr(Wide("f"), A)) << A;
        EXPECT_EQ(KSGetFileAttr(Wide("f")), A);
    }
    // With nothing to keep, the extended attribute is gone, not left as "0".
    EXPECT_LT(getxattr(Native("f").c_str(), "user.ks.dosattrib", nullptr, 0), 0);
    // Bits beyond the DOS ones are not stored.
    ASSERT_TRUE(KSSetFileAttr(Wide("f"), 0x81A40000u | faArchive | 0x80));
    EXPECT_EQ(KSGetFileAttr(Wide("f")), faArchive);

    fs::create_directory(Native("d"));
    ASSERT_TRUE(KSSetFileAttr(Wide("d"), faDirectory | faHidden | faSysFile));
    EXPECT_EQ(KSGetFileAttr(Wide("d")), faDirectory | faHidden | faSysFile);
}

TEST_F(FilesTest, ExistingEntryWithUnreadableAttributesGivesSystem) {
    // A link loop and a dangling link exist as directory entries, but have no target to describe.
    fs::create_symlink("loop", Dir / "loop");
    fs::create_symlink("nowhere", Dir / "dangling");
    EXPECT_EQ(KSGetFileAttr(Wide("loop")), faSysFile);
    EXPECT_EQ(KSGetFileAttr(Wide("dangling")), faSysFile);
    EXPECT_EQ(KSGetFileAttr(Wide("nowhere")), KSInvalidFileAttributes);
}

TEST_F(FilesTest, EntryInAFolderThatCannotBeSearched) {
    if (geteuid() == 0)
        GTEST_SKIP() << "permission checks do not apply to root";
    fs::create_directory(Native("locked"));
    WriteFile("locked/f", "x");
    fs::permissions(Native("locked"), fs::perms(0600)); // listable, not searchable
    EXPECT_EQ(KSGetFileAttr(Wide("locked/f")), faSysFile);
    EXPECT_EQ(KSGetFileAttr(Wide("locked/absent")), KSInvalidFileAttributes);
    fs::permissions(Native("locked"), fs::perms(0700));
}

struct UnixModeCase {
    const char* Label;
    uint32_t Attr;
    uint8_t Host;
    unsigned Umask;
    unsigned Expected;
};

// The created file starts as 0600; each case says what it becomes.
const UnixModeCase kUnixModeCases[] = {
    {"executable", 0100755u << 16, KSHostUnix, 022, 0755},
    {"umask filters", 0100777u << 16, KSHostUnix, 027, 0750},
    {"setuid setgid sticky dropped", 0107755u << 16, KSHostUnix, 0, 0755},
    {"private", 0100600u << 16, KSHostUnix, 022, 0600},
    {"read-only unix mode", 0100444u << 16, KSHostUnix, 022, 0444},
    {"symlink mode is not applied", (0120777u << 16) | faArchive, KSHostUnix, 022, 0600},
    {"no file type: DOS bits", (0000755u << 16) | faReadOnly, KSHostUnix, 022, 0400},
    {"not made on Unix: DOS bits", (0100755u << 16) | faReadOnly, 0, 022, 0400},
    {"NTFS host: DOS bits", 0100755u << 16, 10, 022, 0600},
};

class UnixModeTest : public test::ScratchTest, public ::testing::WithParamInterface<UnixModeCase> {};

TEST_P(UnixModeTest, AppliesPermissionBitsOfRegularFilesOnly) {
    const auto& C = GetParam();
    WriteFile("f", "x");
    fs::permissions(Native("f"), fs::perms(0600));
    const mode_t Old = umask(static_cast<mode_t>(C.Umask));
    KSApplyStoredAttributes(Wide("f"), C.Attr, C.Host);
    umask(Old);
    EXPECT_EQ(ModeOf(Native("f")), C.Expected);
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(Native("f"))));
}

INSTANTIATE_TEST_SUITE_P(Modes, UnixModeTest, ::testing::ValuesIn(kUnixModeCases), [](const auto& Info) {
    std::string N = Info.param.Label;
    for (char& Ch : N)
        if (!isalnum(static_cast<unsigned char>(Ch)))
            Ch = '_';
    return N;
});

TEST_F(FilesTest, UnixModeIsNotAppliedToFolders) {
    fs::create_directory(Native("d"));
    fs::permissions(Native("d"), fs::perms(0700));
    EXPECT_FALSE(KSApplyStoredAttributes(Wide("d"), 0100777u << 16, KSHostUnix));
    EXPECT_EQ(ModeOf(Native("d")), 0700u);
}

class FileTimeTest : public FilesTest {
protected:
    void SetUp() override {
        FilesTest::SetUp();
        if (const char* V = std::getenv("TZ"))
            FOldTz = V;
        setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
        tzset();
    }
    void TearDown() override {
        if (FOldTz.empty())
            unsetenv("TZ");
        else
            setenv("TZ", FOldTz.c_str(), 1);
        tzset();
        FilesTest::TearDown();
    }
    std::string FOldTz;
};

TEST_F(FileTimeTest, SetDateAndFileAgeRoundTrip) {
    WriteFile("f", "x");
    int32_t Dos = 0;
    ASSERT_TRUE(KSEncodeDosDateTime({2021, 8, 15, 14, 30, 22}, Dos));
    ASSERT_TRUE(KSFileSetDate(Wide("f"), Dos));
    EXPECT_EQ(KSFileAge(Wide("f")), Dos);
    // The stored time is the local wall-clock time: 14:30:22 CEST is 12:30:22 UTC.
    struct stat St;
    ASSERT_EQ(stat(Native("f").c_str(), &St), 0);
    EXPECT_EQ(St.st_mtim.tv_sec, 1629030622);

    EXPECT_FALSE(KSFileSetDate(Wide("f"), 0)); // not a valid date
    EXPECT_FALSE(KSFileSetDate(Wide("missing"), Dos));
    EXPECT_EQ(KSFileAge(Wide("missing")), -1);
    fs::create_directory(Native("d"));
    EXPECT_EQ(KSFileAge(Wide("d")), -1);
}

TEST_F(FileTimeTest, OpenStreamSetsItsOwnTime) {
    int32_t Dos = 0;
    ASSERT_TRUE(KSEncodeDosDateTime({1999, 12, 31, 23, 59, 58}, Dos));
    {
        TKSFileStream F(Wide("f"), fmCreate);
        F.WriteBuffer("data", 4);
        ASSERT_TRUE(F.SetDosDateTime(Dos));
        EXPECT_EQ(F.GetDosDateTime(), Dos);
        EXPECT_TRUE(F.FlushBuffers());
    }
    EXPECT_EQ(KSFileAge(Wide("f")), Dos); // closing keeps the time
}

TEST_F(FilesTest, CurrentDir) {
    const fs::path Old = fs::current_path();
    fs::create_directory(Native("\xC5\x91"));
    fs::current_path(Dir / "\xC5\x91");
    const TKSString Cur = KSGetCurrentDir();
    fs::current_path(Old);
    EXPECT_EQ(Cur, Utf8ToWide(fs::canonical(Dir / "\xC5\x91").string()));
}

} // namespace
} // namespace ks
