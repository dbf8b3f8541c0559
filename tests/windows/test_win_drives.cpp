// Drives on Windows: drive types from the system, the removable-folder test hook with Windows
// name rules, free space, volume labels.
#include <filesystem>
#include <gtest/gtest.h>

#include "PlatformTestUtil.h"
#include "platform/KSFiles.h"
#include "platform/KSStrings.h"

namespace ks {
namespace {

namespace fs = std::filesystem;

class WinDrivesTest : public test::ScratchTest {
protected:
    void TearDown() override {
        KSClearRemovableFolders();
        ScratchTest::TearDown();
    }
};

TEST_F(WinDrivesTest, DriveTypeOfOrdinaryStorage) {
    for (const TKSString& P : {Wide(""), Wide("not/created/yet.z01"), TKSString(u"C:\\")}) {
        const TKSDriveType T = KSGetDriveType(P);
        EXPECT_NE(T, TKSDriveType::dtNoRootDir);
        EXPECT_NE(T, TKSDriveType::dtUnknown);
        EXPECT_NE(T, TKSDriveType::dtRemovable);
    }
    EXPECT_FALSE(IsRemovableDrive(Wide("a.zip")));
}

TEST_F(WinDrivesTest, DeclaredFolderUsesWindowsNameRules) {
    fs::create_directories(Native("disk/sub"));
    KSDeclareRemovableFolder(Wide("disk"));
    const struct {
        const char* Rel;
        bool Removable;
    } Cases[] = {
        {"disk\\a.zip", true},       {"DISK\\A.ZIP", true},
        {"Disk/Sub/x", true},        {"disk\\.\\a.zip", true},
        {"disk\\..\\disk\\a", true}, {"disk2\\a.zip", false},
        {"disk\\..\\a.zip", false},  {"a.zip", false},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(IsRemovableDrive(Wide(C.Rel)), C.Removable) << C.Rel;
    KSWithdrawRemovableFolder(Wide("DISK\\"));
    EXPECT_FALSE(IsRemovableDrive(Wide("disk\\a.zip")));
    EXPECT_TRUE(IsRemovableDrive(u"a:\\x.zip"));
    EXPECT_TRUE(IsRemovableDrive(u"B:y.zip"));
}

TEST_F(WinDrivesTest, FreeSpaceOfAFolderAndOfANameNotCreatedYet) {
    const auto Expected = static_cast<double>(fs::space(Dir).available);
    const int64_t Here = KSGetFreeSpace(Wide(""));
    const int64_t NotYet = KSGetFreeSpace(Wide("new/dir/a.z01"));
    EXPECT_GT(Here, 0);
    // Other processes write meanwhile: allow 64 MiB of drift.
    EXPECT_NEAR(static_cast<double>(Here), Expected, 64.0 * 1024 * 1024);
    EXPECT_NEAR(static_cast<double>(NotYet), Expected, 64.0 * 1024 * 1024);
}

TEST_F(WinDrivesTest, DeclaredFreeSpaceAnswersForTheFolderAndItsDriveRoot) {
    fs::create_directories(Native("vol"));
    // "C:\\" (or whichever drive holds the scratch folder), as the engine asks for it.
    const TKSString Root = fs::absolute(fs::path(Native("vol"))).root_name().u16string() + u"\\";
    ASSERT_EQ(Root.size(), 3u);
    const int64_t Real = KSGetFreeSpace(Root);
    KSDeclareFreeSpace(Wide("vol"), 65536);
    const struct {
        TKSString Path;
        int64_t Bytes; // -1: the system's figure
    } Cases[] = {
        {Wide("vol"), 65536}, {Wide("VOL\\x.z01"), 65536}, {Root, 65536}, {Wide("other\\x.z01"), -1},
        {Wide(""), -1},
    };
    for (const auto& C : Cases) {
        const int64_t Got = KSGetFreeSpace(C.Path);
        if (C.Bytes >= 0)
            EXPECT_EQ(Got, C.Bytes) << WideToUtf8(C.Path);
        else
            EXPECT_NEAR(static_cast<double>(Got), static_cast<double>(Real), 64.0 * 1024 * 1024)
                << WideToUtf8(C.Path);
    }
    KSWithdrawFreeSpace(Wide("vol"));
    EXPECT_NEAR(static_cast<double>(KSGetFreeSpace(Root)), static_cast<double>(Real), 64.0 * 1024 * 1024);
}

TEST_F(WinDrivesTest, VolumeLabelOfAMissingDriveCannotBeSet) {
    // Wine maps only C: and Z: by default; a drive that does not exist refuses the label.
    EXPECT_FALSE(KSSetVolumeLabel(u"Q:\\backup.zip", u"pkback# 001"));
}

} // namespace
} // namespace ks
