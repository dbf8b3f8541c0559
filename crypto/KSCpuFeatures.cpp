// KSCpuFeatures.cpp -- processor feature detection and the hardware-path selection.
#include "crypto/KSCpuFeatures.h"

#include "crypto/KSCpuDispatch.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace ks {

namespace {

TCryptoAcceleration Detect() {
    TCryptoAcceleration r;
#if defined(__x86_64__)
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (__get_cpuid(1, &a, &b, &c, &d) == 0)
        return r;
    const bool ssse3 = (c & (1u << 9)) != 0;
    const bool sse41 = (c & (1u << 19)) != 0;
    const bool aes = (c & (1u << 25)) != 0;
    bool sha = false;
    if (__get_cpuid_max(0, nullptr) >= 7) {
        __cpuid_count(7, 0, a, b, c, d);
        sha = (b & (1u << 29)) != 0;
    }
    r.Sha = sha && ssse3 && sse41;
    r.Aes = aes && ssse3 && sse41;
#endif
    return r;
}

const TCryptoAcceleration& Available() {
    static const TCryptoAcceleration available = Detect();
    return available;
}

} // namespace

namespace cpudispatch {
bool UseShaNi = Available().Sha;
bool UseAesNi = Available().Aes;
} // namespace cpudispatch

TCryptoAcceleration CryptoAccelerationAvailable() {
    return Available();
}

TCryptoAcceleration CryptoAccelerationInUse() {
    return TCryptoAcceleration{cpudispatch::UseShaNi, cpudispatch::UseAesNi};
}

TCryptoAcceleration SetCryptoAcceleration(TCryptoAcceleration Wanted) {
    const TCryptoAcceleration previous = CryptoAccelerationInUse();
    cpudispatch::UseShaNi = Wanted.Sha && Available().Sha;
    cpudispatch::UseAesNi = Wanted.Aes && Available().Aes;
    return previous;
}

} // namespace ks
