// KSRandom.cpp -- the clock-seeded pseudo-random source for salt bytes.
#include "platform/KSRandom.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <random>

namespace ks {

namespace {

class TClockRandomSource : public TKSRandomSource {
public:
    TClockRandomSource() { Reseed(); }

    void Reseed() override {
        static std::atomic<uint64_t> Counter{0};
        const auto Now =
            static_cast<uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count());
        std::seed_seq Seq{static_cast<uint32_t>(Now), static_cast<uint32_t>(Now >> 32),
                          static_cast<uint32_t>(Counter.fetch_add(1)),
                          static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&Counter))};
        FEngine.seed(Seq);
    }

    uint8_t NextSaltByte() override {
        // Reject the top values so that each of 0..254 is equally likely.
        constexpr uint32_t kLimit = (0xFFFFFFFFu / 255u) * 255u;
        uint32_t V;
        do
            V = static_cast<uint32_t>(FEngine());
        while (V >= kLimit);
        return static_cast<uint8_t>(V % 255u);
    }

private:
    std::mt19937 FEngine;
};

std::mutex& Mutex() {
    static auto* M = new std::mutex;
    return *M;
}

TKSRandomSource*& Installed() {
    static TKSRandomSource* S = nullptr;
    return S;
}

TKSRandomSource& Current() {
    static auto* BuiltIn = new TClockRandomSource;
    TKSRandomSource* S = Installed();
    return S ? *S : *BuiltIn;
}

} // namespace

void KSRandomize() {
    std::lock_guard<std::mutex> Lock(Mutex());
    Current().Reseed();
}

uint8_t KSRandomSaltByte() {
    std::lock_guard<std::mutex> Lock(Mutex());
    return Current().NextSaltByte();
}

void KSRandomSalt(uint8_t* Buffer, std::size_t Count) {
    std::lock_guard<std::mutex> Lock(Mutex());
    TKSRandomSource& S = Current();
    S.Reseed();
    for (std::size_t I = 0; I < Count; ++I)
        Buffer[I] = S.NextSaltByte();
}

TKSRandomSource* KSSetRandomSource(TKSRandomSource* Source) {
    std::lock_guard<std::mutex> Lock(Mutex());
    TKSRandomSource* Old = Installed();
    Installed() = Source;
    return Old;
}

} // namespace ks
