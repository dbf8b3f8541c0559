// DOS attributes on Windows: the real attribute bits, and stored attributes of Unix-made items.
#include <filesystem>
#include <gtest/gtest.h>

#include "PlatformTestUtil.h"
#include "platform/KSFiles.h"

namespace ks {
namespace {

namespace fs = std::filesystem;

// Wine on a Unix file system reports every file with the archive bit and cannot clear it
// (Windows itself can); the archive bit is therefore only checked where it was asked for.
uint32_t WithoutArchive(uint32_t A) {
    return A & ~faArchive;
}

class WinAttributesTest : public test::ScratchTest {
protected:
    void TearDown() override {
        // Read-only, hidden and system entries must be plain again before they can be removed.
        std::error_code Ec;
        for (auto& E : fs::recursive_directory_iterator(Dir, Ec))
            KSSetFileAttr(Utf8ToWide(E.path().string()), 0);
        ScratchTest::TearDown();
    }
};

TEST_F(WinAttributesTest, DosBitsRoundTripThroughTheSystem) {
    WriteFile("f", "x");
    const uint32_t Cases[] = {0,
                              faReadOnly,
                              faHidden,
                              faSysFile,
                              faArchive,
                              faReadOnly | faHidden | faSysFile | faArchive,
                              faHidden | faArchive};
    for (uint32_t A : Cases) {
        ASSERT_TRUE(KSSetFileAttr(Wide("f"), A)) << A;
        EXPECT_EQ(WithoutArchive(KSGetFileAttr(Wide("f"))), WithoutArchive(A)) << A;
        if (A & faArchive) {
            EXPECT_NE(KSGetFileAttr(Wide("f")) & faArchive, 0u) << A;
        }
        // Read-only is the system's own flag, visible to every program.
        EXPECT_EQ((fs::status(Native("f")).permissions() & fs::perms::owner_write) == fs::perms::none,
                  (A & faReadOnly) != 0)
            << A;
    }
    // The directory and volume bits are not the caller's to set; higher bits are ignored.
    ASSERT_TRUE(KSSetFileAttr(Wide("f"), faDirectory | faVolumeID | 0x100 | 0x4000 | faHidden));
    EXPECT_EQ(WithoutArchive(KSGetFileAttr(Wide("f"))), faHidden);
}

TEST_F(WinAttributesTest, FoldersReportTheDirectoryBit) {
    fs::create_directory(Native("d"));
    EXPECT_EQ(KSGetFileAttr(Wide("d")), faDirectory);
    ASSERT_TRUE(KSSetFileAttr(Wide("d"), faHidden));
    EXPECT_EQ(KSGetFileAttr(Wide("d")), faDirectory | faHidden);
    EXPECT_EQ(KSGetFileAttr(Wide("missing")), KSInvalidFileAttributes);
    EXPECT_EQ(KSGetFileAttr(Wide("missing/below")), KSInvalidFileAttributes);
    EXPECT_FALSE(KSSetFileAttr(Wide("missing"), faArchive));
}

// The upper 16 bits of a Unix-made item hold its file mode; on Windows they would read as
// FILE_ATTRIBUTE_* flags (virtual, integrity stream, ...), so only the DOS byte may apply.
TEST_F(WinAttributesTest, StoredAttributesApplyOnlyTheDosBits) {
    const struct {
        const char* Label;
        uint32_t Attr;
        uint8_t Host;
        uint32_t Expected;
    } Cases[] = {
        {"unix rw-r--r-- with archive", (0100644u << 16) | faArchive, KSHostUnix, faArchive},
        {"unix r--r--r-- read-only", (0100444u << 16) | faReadOnly, KSHostUnix, faReadOnly},
        {"unix setuid rwsr-xr-x", (0104755u << 16), KSHostUnix, 0},
        {"unix symlink mode", (0120777u << 16) | faArchive, KSHostUnix, faArchive},
        {"dos hidden system", faHidden | faSysFile, 0, faHidden | faSysFile},
        {"all upper bits set", 0xFFFF0000u | faArchive, 0, faArchive},
    };
    for (const auto& C : Cases) {
        WriteFile("f", "x");
        ASSERT_TRUE(KSApplyStoredAttributes(Wide("f"), C.Attr, C.Host)) << C.Label;
        EXPECT_EQ(WithoutArchive(KSGetFileAttr(Wide("f"))), WithoutArchive(C.Expected)) << C.Label;
        KSSetFileAttr(Wide("f"), 0);
    }
}

} // namespace
} // namespace ks
