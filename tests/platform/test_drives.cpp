// Drives: the removable test with its test hook, drive types, free space, volume labels.
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/statvfs.h>

#include "PlatformTestUtil.h"
#include "platform/KSFiles.h"

namespace ks {
namespace {

namespace fs = std::filesystem;

class DrivesTest : public test::ScratchTest {
protected:
    void TearDown() override {
        KSClearRemovableFolders();
        ScratchTest::TearDown();
    }
};

TEST_F(DrivesTest, DeclaredFolderIsRemovableWithEverythingBelowIt) {
    fs::create_directories(Native("disk/sub"));
    fs::create_directories(Native("disk2"));
    ASSERT_FALSE(IsRemovableDrive(Wide("disk/a.zip"))) << "the build tree sits on removable storage";
    KSDeclareRemovableFolder(Wide("disk"));
    const struct {
        std::string Rel;
        bool Removable;
    } Cases[] = {
        {"disk", true},
        {"disk/a.zip", true},
        {"disk/sub/x", true},
        {"disk/not/yet/created.z01", true},
        {"disk/../disk/a.zip", true},
        {"disk2/a.zip", false}, // a common prefix is not the folder
        {"disk/../disk2/a.zip", false},
        {"a.zip", false},
    };
    for (const auto& C : Cases) {
        EXPECT_EQ(IsRemovableDrive(Wide(C.Rel)), C.Removable) << C.Rel;
        EXPECT_EQ(KSGetDriveType(Wide(C.Rel)) == TKSDriveType::dtRemovable, C.Removable) << C.Rel;
    }
    // Backslash spelling and relative names are the same place.
    TKSString Back = Wide("disk");
    Back += u"\\sub\\f";
    EXPECT_TRUE(IsRemovableDrive(Back));
    const fs::path Old = fs::current_path();
    fs::current_path(Dir);
    EXPECT_TRUE(IsRemovableDrive(u"disk\\a.zip"));
    EXPECT_FALSE(IsRemovableDrive(u"a.zip"));
    fs::current_path(Old);

    KSWithdrawRemovableFolder(Wide("disk/"));
    EXPECT_FALSE(IsRemovableDrive(Wide("disk/a.zip")));
}

TEST_F(DrivesTest, FloppyNamesAreRemovable) {
    EXPECT_TRUE(IsRemovableDrive(u"A:\\backup.zip"));
    EXPECT_TRUE(IsRemovableDrive(u"b:x.zip"));
}

TEST_F(DrivesTest, DriveTypeOfOrdinaryStorage) {
    const TKSDriveType T = KSGetDriveType(Wide(""));
    EXPECT_NE(T, TKSDriveType::dtNoRootDir);
    EXPECT_NE(T, TKSDriveType::dtUnknown);
    // /dev/shm is a RAM file system on Linux.
    if (fs::is_directory("/dev/shm")) {
        EXPECT_EQ(KSGetDriveType(u"/dev/shm/x"), TKSDriveType::dtRAMDisk);
    }
}

TEST_F(DrivesTest, FreeSpaceOfAFolderAndOfANameNotCreatedYet) {
    struct statvfs V;
    ASSERT_EQ(statvfs(Native("").c_str(), &V), 0);
    const int64_t Expected = static_cast<int64_t>(V.f_bavail) * static_cast<int64_t>(V.f_frsize);
    const int64_t Here = KSGetFreeSpace(Wide(""));
    const int64_t NotYet = KSGetFreeSpace(Wide("new/dir/a.z01"));
    // Other processes write meanwhile: allow 64 MiB of drift.
    EXPECT_NEAR(static_cast<double>(Here), static_cast<double>(Expected), 64.0 * 1024 * 1024);
    EXPECT_NEAR(static_cast<double>(NotYet), static_cast<double>(Expected), 64.0 * 1024 * 1024);
    EXPECT_GT(Here, 0);
}

TEST_F(DrivesTest, VolumeLabelCannotBeSet) {
    EXPECT_FALSE(KSSetVolumeLabel(Wide(""), u"pkback# 001"));
}

} // namespace
} // namespace ks
