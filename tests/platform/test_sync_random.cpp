// The process-wide lock and the salt source.
#include <array>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

#include "platform/KSRandom.h"
#include "platform/KSSync.h"

namespace ks {
namespace {

TEST(CriticalSectionTest, ReentrantForItsHolderExclusiveForOthers) {
    TKSCriticalSection& CS = FCSect();
    EXPECT_EQ(&CS, &FCSect()); // one lock for the process
    TKSLockGuard Outer(CS);
    CS.Enter(); // the holder may enter again (an event handler starting another run)
    std::atomic<bool> OtherGotIt{true};
    std::thread([&] { OtherGotIt = CS.TryEnter(); }).join();
    EXPECT_FALSE(OtherGotIt);
    CS.Leave();
    std::thread([&] { OtherGotIt = CS.TryEnter(); }).join();
    EXPECT_FALSE(OtherGotIt); // still held once by the guard
}

TEST(CriticalSectionTest, SerialisesThreads) {
    TKSCriticalSection CS;
    int Counter = 0;
    std::vector<std::thread> Threads;
    for (int T = 0; T < 4; ++T)
        Threads.emplace_back([&] {
            for (int I = 0; I < 10000; ++I) {
                TKSLockGuard G(CS);
                TKSLockGuard Again(CS);
                ++Counter;
            }
        });
    for (auto& T : Threads)
        T.join();
    EXPECT_EQ(Counter, 40000);
    EXPECT_TRUE(CS.TryEnter()); // left as often as entered
    CS.Leave();
}

TEST(RandomTest, SaltBytesCoverZeroTo254AndNever255) {
    std::array<int, 256> Seen{};
    std::vector<uint8_t> Salt(255 * 400);
    KSRandomSalt(Salt.data(), Salt.size());
    for (uint8_t B : Salt)
        ++Seen[B];
    EXPECT_EQ(Seen[255], 0);
    for (int V = 0; V < 255; ++V) {
        // 400 expected per value; far outside this is not uniform.
        EXPECT_GT(Seen[static_cast<std::size_t>(V)], 250) << V;
        EXPECT_LT(Seen[static_cast<std::size_t>(V)], 550) << V;
    }
}

TEST(RandomTest, ReseedingTwiceInARowGivesDifferentSalts) {
    std::array<uint8_t, 16> A{}, B{};
    KSRandomSalt(A.data(), A.size());
    KSRandomSalt(B.data(), B.size());
    EXPECT_NE(A, B);
}

class TCountingSource : public TKSRandomSource {
public:
    int Reseeds = 0;
    uint8_t Next = 0;
    void Reseed() override { ++Reseeds; }
    uint8_t NextSaltByte() override { return Next++; }
};

TEST(RandomTest, InjectedSourceIsUsedAndReseededPerSalt) {
    TCountingSource Fake;
    EXPECT_EQ(KSSetRandomSource(&Fake), nullptr);
    std::array<uint8_t, 4> Salt{};
    KSRandomSalt(Salt.data(), Salt.size());
    EXPECT_EQ(Salt, (std::array<uint8_t, 4>{0, 1, 2, 3}));
    EXPECT_EQ(Fake.Reseeds, 1);
    EXPECT_EQ(KSRandomSaltByte(), 4);
    KSRandomize();
    EXPECT_EQ(Fake.Reseeds, 2);
    EXPECT_EQ(KSSetRandomSource(nullptr), &Fake);
    KSRandomSalt(Salt.data(), Salt.size()); // the built-in source again
    EXPECT_EQ(Fake.Reseeds, 2);
}

} // namespace
} // namespace ks
