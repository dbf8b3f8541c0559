// KSRandom.cpp -- the default random source and uniform draws from the current one.
#include "crypto/KSRandom.h"

#include <chrono>
#include <random>
#include <utility>

namespace ks {

namespace {

std::uint32_t DefaultSource() {
    static std::mt19937 engine = [] {
        std::random_device device;
        const auto now =
            static_cast<std::uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count());
        std::seed_seq seq{device(),
                          device(),
                          device(),
                          device(),
                          static_cast<std::uint32_t>(now),
                          static_cast<std::uint32_t>(now >> 32)};
        return std::mt19937(seq);
    }();
    return static_cast<std::uint32_t>(engine());
}

TKSRandomSource& Current() {
    static TKSRandomSource source = &DefaultSource;
    return source;
}

} // namespace

TKSRandomSource SetRandomSource(TKSRandomSource Source) {
    TKSRandomSource previous = std::move(Current());
    Current() = Source ? std::move(Source) : TKSRandomSource(&DefaultSource);
    return previous;
}

std::uint32_t RandomBelow(std::uint32_t Range) {
    if (Range <= 1)
        return 0;
    // Draws above the largest multiple of Range are redrawn, so every value is equally likely.
    // A source stuck above it (only a broken or scripted one) ends the redraws after a few tries.
    const std::uint64_t limit = (std::uint64_t(1) << 32) / Range * Range - 1;
    std::uint32_t r = Current()();
    for (int tries = 0; r > limit && tries < 64; ++tries)
        r = Current()();
    return r % Range;
}

} // namespace ks
