// DOS date-times: packing, validation, and conversion as local time.
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <iterator>
#include <optional>
#include <string>

#include "platform/KSDosTime.h"

namespace ks {
namespace {

#ifndef _WIN32
// Runs the test body under a fixed time zone and restores the previous one. (Windows takes its
// time zone from the system, not from TZ: tests/windows runs these checks there.)
class DosTimeZoneTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* V = std::getenv("TZ"))
            FOld = V;
    }
    void TearDown() override {
        if (FOld)
            setenv("TZ", FOld->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    static void Use(const char* Tz) {
        setenv("TZ", Tz, 1);
        tzset();
    }

private:
    std::optional<std::string> FOld;
};
#endif

TEST(DosTimeTest, PackAndUnpack) {
    const struct {
        TKSDateTimeParts Parts;
        uint32_t Packed;
    } Cases[] = {
        {{1980, 1, 1, 0, 0, 0}, 0x00210000},
        {{2024, 2, 29, 13, 45, 58}, 0x585D6DBD},
        {{2107, 12, 31, 23, 59, 58}, 0xFF9FBF7D},
    };
    for (const auto& C : Cases) {
        int32_t V = 0;
        ASSERT_TRUE(KSEncodeDosDateTime(C.Parts, V));
        EXPECT_EQ(static_cast<uint32_t>(V), C.Packed);
        EXPECT_EQ(KSDecodeDosDateTime(V), C.Parts);
        EXPECT_TRUE(KSIsValidDosDateTime(V));
    }
    int32_t V = 0;
    ASSERT_TRUE(KSEncodeDosDateTime({2000, 6, 15, 10, 20, 31}, V));
    EXPECT_EQ(KSDecodeDosDateTime(V).Second, 30); // odd seconds round down
}

TEST(DosTimeTest, RejectsInvalidValues) {
    const TKSDateTimeParts Bad[] = {
        {1979, 12, 31, 0, 0, 0}, {2108, 1, 1, 0, 0, 0},  {2023, 2, 29, 0, 0, 0}, {2024, 13, 1, 0, 0, 0},
        {2024, 4, 31, 0, 0, 0},  {2024, 1, 1, 24, 0, 0}, {2024, 1, 1, 0, 60, 0}, {2024, 1, 0, 0, 0, 0},
    };
    for (const auto& P : Bad) {
        int32_t V = 0;
        EXPECT_FALSE(KSEncodeDosDateTime(P, V)) << P.Year << "-" << P.Month << "-" << P.Day;
    }
    int64_t T;
    EXPECT_FALSE(KSIsValidDosDateTime(0)); // month 0, day 0
    EXPECT_FALSE(KSDosDateTimeToUnixTime(0, T));
    EXPECT_FALSE(KSIsValidDosDateTime(0x0021001E)); // 60 seconds
}

#ifndef _WIN32
TEST_F(DosTimeZoneTest, LocalTimeConversion) {
    Use("UTC0");
    int32_t V = 0;
    ASSERT_TRUE(KSEncodeDosDateTime({2024, 7, 1, 12, 0, 0}, V));
    int64_t T = 0;
    ASSERT_TRUE(KSDosDateTimeToUnixTime(V, T));
    EXPECT_EQ(T, 1719835200);
    EXPECT_EQ(KSUnixTimeToDosDateTime(T), V);

    // The same wall-clock value is two hours earlier in Budapest's summer time.
    Use("CET-1CEST,M3.5.0,M10.5.0/3");
    ASSERT_TRUE(KSDosDateTimeToUnixTime(V, T));
    EXPECT_EQ(T, 1719835200 - 7200);
    EXPECT_EQ(KSUnixTimeToDosDateTime(T), V);
    // ... and one hour earlier in winter.
    ASSERT_TRUE(KSEncodeDosDateTime({2024, 1, 15, 8, 30, 10}, V));
    ASSERT_TRUE(KSDosDateTimeToUnixTime(V, T));
    EXPECT_EQ(T, 1705307410 - 3600);
    EXPECT_EQ(KSUnixTimeToDosDateTime(T), V);
    EXPECT_EQ(KSUnixTimeToDosDateTime(T + 1), V); // 11 s packs as 10 s
}

// Around the offset changes of zones with summer time (a whole hour, half an hour) and in a zone
// whose offset is not whole hours: a time of the repeated hour is its first occurrence, a time of
// the skipped hour is read with the offset before the change, and each result is the same in
// whatever order the times are converted, whether their hour was seen before or not.
TEST_F(DosTimeZoneTest, TimesAroundOffsetChangesDoNotDependOnOrder) {
    struct Case {
        const char* Tz;
        TKSDateTimeParts Local;
        int64_t Unix;
    };
    const char* Cet = "CET-1CEST,M3.5.0,M10.5.0/3";
    const char* LordHowe = "<+1030>-10:30<+11>-11,M10.1.0,M4.1.0";
    const Case Cases[] = {
        {Cet, {2025, 3, 30, 1, 30, 24}, 1743294624},     // before the change
        {Cet, {2025, 3, 30, 2, 30, 24}, 1743298224},     // skipped: as 03:30 summer time
        {Cet, {2025, 3, 30, 3, 30, 24}, 1743298224},     // after the change
        {Cet, {2025, 10, 26, 1, 30, 24}, 1761435024},    // summer time
        {Cet, {2025, 10, 26, 2, 30, 24}, 1761438624},    // repeated: the summer-time one
        {Cet, {2025, 10, 26, 3, 30, 24}, 1761445824},    // winter time
        {LordHowe, {2025, 10, 5, 2, 15, 0}, 1759592700}, // skipped half hour
        {LordHowe, {2025, 10, 5, 2, 45, 0}, 1759592700},
        {LordHowe, {2025, 4, 6, 1, 45, 0}, 1743864300}, // repeated half hour: the first
        {"<+0545>-5:45", {2025, 1, 1, 0, 0, 24}, 1735668924},
        {"<+0545>-5:45", {2025, 6, 1, 17, 45, 0}, 1748779200},
    };
    for (int Pass = 0; Pass < 3; ++Pass) {
        const int N = static_cast<int>(std::size(Cases));
        for (int I = 0; I < N; ++I) {
            // Forwards, backwards, then forwards again with every plain hour already seen.
            const Case& C = Cases[Pass == 1 ? N - 1 - I : I];
            Use(C.Tz);
            int32_t V = 0;
            ASSERT_TRUE(KSEncodeDosDateTime(C.Local, V));
            int64_t T = 0;
            ASSERT_TRUE(KSDosDateTimeToUnixTime(V, T));
            EXPECT_EQ(T, C.Unix) << C.Tz << " " << C.Local.Month << "-" << C.Local.Day << " " << C.Local.Hour
                                 << ":" << C.Local.Minute << " pass " << Pass;
        }
    }
}

TEST_F(DosTimeZoneTest, ClampsOutsideTheDosRange) {
    Use("UTC0");
    int32_t First = 0, Last = 0;
    ASSERT_TRUE(KSEncodeDosDateTime({1980, 1, 1, 0, 0, 0}, First));
    ASSERT_TRUE(KSEncodeDosDateTime({2107, 12, 31, 23, 59, 58}, Last));
    EXPECT_EQ(KSUnixTimeToDosDateTime(0), First);
    EXPECT_EQ(KSUnixTimeToDosDateTime(-100000), First);
    EXPECT_EQ(KSUnixTimeToDosDateTime(int64_t{5000000000}), Last);
}

#endif

} // namespace
} // namespace ks
