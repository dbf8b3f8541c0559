// The item reader's inflate calls count their output in 64 bits, per call: zlib's running total
// is 32-bit on Windows and wraps for items over 4 GiB. Presetting that total to a value just
// below its type's maximum makes it wrap within the first few calls on every platform, so a count
// taken from it shows here as well.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "archive/KSInflateStep.h"

using namespace ks;

namespace {

std::vector<uint8_t> Plain(size_t Size) {
    std::vector<uint8_t> V(Size);
    uint32_t X = 12345;
    for (size_t i = 0; i < Size; ++i) {
        X = X * 1103515245u + 12345u;
        V[i] = static_cast<uint8_t>((X >> 16) % 7 + 'a'); // compressible, not trivially
    }
    return V;
}

std::vector<uint8_t> Deflated(const std::vector<uint8_t>& In) {
    uLongf Len = compressBound(static_cast<uLong>(In.size()));
    std::vector<uint8_t> Out(Len);
    EXPECT_EQ(compress2(Out.data(), &Len, In.data(), static_cast<uLong>(In.size()), 9), Z_OK);
    Out.resize(Len);
    return Out;
}

struct StepCase {
    const char* Name;
    uint32_t Room; // output space per call
};

class InflateStep : public ::testing::TestWithParam<StepCase> {};

TEST_P(InflateStep, CountsEveryCallsOutputWhateverZlibsTotalSays) {
    const std::vector<uint8_t> Data = Plain(300000);
    std::vector<uint8_t> Packed = Deflated(Data);
    z_stream S{};
    ASSERT_EQ(inflateInit(&S), Z_OK);
    S.next_in = Packed.data();
    S.avail_in = static_cast<uInt>(Packed.size());
    S.total_out = std::numeric_limits<uLong>::max() - 1000; // wraps a few calls in

    std::vector<uint8_t> Out;
    std::vector<uint8_t> Chunk(GetParam().Room);
    int64_t Produced = 0;
    int R = Z_OK;
    for (int Calls = 0; R == Z_OK && Calls < 10000000; ++Calls) {
        const int64_t Before = Produced;
        R = KSInflateStep(S, Chunk.data(), GetParam().Room, Produced);
        ASSERT_GE(Produced - Before, 0);
        ASSERT_LE(Produced - Before, GetParam().Room);
        Out.insert(Out.end(), Chunk.begin(), Chunk.begin() + (Produced - Before));
    }
    inflateEnd(&S);
    EXPECT_EQ(R, Z_STREAM_END);
    EXPECT_EQ(Produced, static_cast<int64_t>(Data.size()));
    EXPECT_EQ(Out, Data);
}

INSTANTIATE_TEST_SUITE_P(Rooms, InflateStep,
                         ::testing::Values(StepCase{"OneByte", 1}, StepCase{"Odd", 4093},
                                           StepCase{"OneMiB", 1u << 20}),
                         [](const auto& I) { return std::string(I.param.Name); });

TEST(InflateStep, AddsToTheRunningCountAndNothingWithoutRoom) {
    const std::vector<uint8_t> Data = Plain(5000);
    std::vector<uint8_t> Packed = Deflated(Data);
    z_stream S{};
    ASSERT_EQ(inflateInit(&S), Z_OK);
    S.next_in = Packed.data();
    S.avail_in = static_cast<uInt>(Packed.size());
    std::vector<uint8_t> Out(Data.size());
    // A count above 4 GiB keeps growing from where it stands.
    int64_t Produced = int64_t{5} << 30;
    KSInflateStep(S, Out.data(), 0, Produced); // may read the header, cannot write
    EXPECT_EQ(Produced, int64_t{5} << 30);
    EXPECT_EQ(KSInflateStep(S, Out.data(), static_cast<uint32_t>(Out.size()), Produced), Z_STREAM_END);
    EXPECT_EQ(Produced, (int64_t{5} << 30) + 5000);
    inflateEnd(&S);
    EXPECT_EQ(Out, Data);
}

} // namespace
