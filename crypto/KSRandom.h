// KSRandom.h -- the pseudo-random source behind generated salts.
//
// A source returns 32 random bits per call. The default one is a Mersenne Twister seeded from
// std::random_device and the clock; the platform layer or a test may install another one.
#pragma once

#include <cstdint>
#include <functional>

namespace ks {

using TKSRandomSource = std::function<std::uint32_t()>;

// Installs Source (an empty function restores the default) and returns the previous source.
// Not synchronised: install sources at start-up or in tests only.
TKSRandomSource SetRandomSource(TKSRandomSource Source);

// A uniform integer in 0..Range-1 drawn from the current source (Range >= 1).
std::uint32_t RandomBelow(std::uint32_t Range);

} // namespace ks
