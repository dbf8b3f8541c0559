// DOS date-times on Windows: local time is converted with the daylight-saving rule of the date
// itself, whatever today's offset is. The tests run with TZ=Europe/Budapest (CET/CEST).
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>

#include "PlatformTestUtil.h"
#include "platform/KSDosTime.h"
#include "platform/KSFiles.h"
#include "platform/KSStreams.h"

namespace ks {
namespace {

namespace fs = std::filesystem;

struct TLocalCase {
    const char* Label;
    TKSDateTimeParts Local;
    int64_t Utc; // Unix time of that wall-clock time in Budapest
};

// A summer and a winter date: whichever season today is, one of them differs from today's offset.
constexpr TLocalCase kCases[] = {
    {"summer CEST", {2021, 8, 15, 14, 30, 22}, 1629030622},
    {"winter CET", {2024, 1, 15, 8, 30, 10}, 1705303810},
    {"new year 1980", {1980, 1, 1, 0, 0, 0}, 315529200},
    {"last DOS second", {2107, 12, 31, 23, 59, 58}, 4354815598},
};

int64_t UnixSeconds(fs::file_time_type T) {
    const auto Sys = std::chrono::file_clock::to_sys(T);
    return std::chrono::duration_cast<std::chrono::seconds>(Sys.time_since_epoch()).count();
}

TEST(WinDosTimeTest, ConversionUsesTheRuleOfTheDate) {
    for (const auto& C : kCases) {
        int32_t Dos = 0;
        ASSERT_TRUE(KSEncodeDosDateTime(C.Local, Dos)) << C.Label;
        int64_t T = 0;
        ASSERT_TRUE(KSDosDateTimeToUnixTime(Dos, T)) << C.Label;
        EXPECT_EQ(T, C.Utc) << C.Label;
        EXPECT_EQ(KSUnixTimeToDosDateTime(T), Dos) << C.Label;
    }
}

TEST(WinDosTimeTest, ClampsOutsideTheDosRange) {
    int32_t First = 0, Last = 0;
    ASSERT_TRUE(KSEncodeDosDateTime({1980, 1, 1, 0, 0, 0}, First));
    ASSERT_TRUE(KSEncodeDosDateTime({2107, 12, 31, 23, 59, 58}, Last));
    const struct {
        int64_t Unix;
        int32_t Expected;
    } Cases[] = {{0, First},         {-100000, First},  {-20000000000, First}, {315529199, First},
                 {5000000000, Last}, {INT64_MAX, Last}, {INT64_MIN, First},    {4354815599, Last}};
    for (const auto& C : Cases)
        EXPECT_EQ(KSUnixTimeToDosDateTime(C.Unix), C.Expected) << C.Unix;
    int64_t T = 0;
    EXPECT_FALSE(KSDosDateTimeToUnixTime(0, T));
}

using WinFileTimeTest = test::ScratchTest;

TEST_F(WinFileTimeTest, FileTimesAreStoredAsUtcOfTheLocalWallClock) {
    for (const auto& C : kCases) {
        int32_t Dos = 0;
        ASSERT_TRUE(KSEncodeDosDateTime(C.Local, Dos));
        WriteFile("by_name", "x");
        ASSERT_TRUE(KSFileSetDate(Wide("by_name"), Dos)) << C.Label;
        EXPECT_EQ(KSFileAge(Wide("by_name")), Dos) << C.Label;
        // The C runtime's stat behind std::filesystem stops at 2038 under Wine.
        const bool Checkable = C.Utc < (int64_t{1} << 31);
        if (Checkable) {
            EXPECT_EQ(UnixSeconds(fs::last_write_time(Native("by_name"))), C.Utc) << C.Label;
        }
        {
            TKSFileStream F(Wide("by_handle"), fmCreate);
            F.WriteBuffer("data", 4);
            ASSERT_TRUE(F.SetDosDateTime(Dos)) << C.Label;
            EXPECT_EQ(F.GetDosDateTime(), Dos) << C.Label;
            EXPECT_TRUE(F.FlushBuffers());
        }
        if (Checkable) {
            EXPECT_EQ(UnixSeconds(fs::last_write_time(Native("by_handle"))), C.Utc) << C.Label;
        }
    }
    EXPECT_FALSE(KSFileSetDate(Wide("by_name"), 0));
    EXPECT_FALSE(KSFileSetDate(Wide("missing"), 0x00210000));
    EXPECT_EQ(KSFileAge(Wide("missing")), -1);
    fs::create_directory(Native("d"));
    EXPECT_EQ(KSFileAge(Wide("d")), -1);
}

} // namespace
} // namespace ks
