// KSSha1Dispatch.cpp -- routes SHA-1 work to the hardware or the portable code.
#include "crypto/KSCpuDispatch.h"
#include "crypto/KSCpuFeatures.h"
#include "crypto/KSSha1Core.h"

namespace ks::sha1core {

bool ShaNiSupported() {
    return CryptoAccelerationAvailable().Sha;
}

void Compress(std::uint32_t State[5], const std::uint8_t* Data, std::size_t NBlocks) {
    if (cpudispatch::UseShaNi)
        CompressShaNi(State, Data, NBlocks);
    else
        CompressPortable(State, Data, NBlocks);
}

void Pbkdf2Loop(const std::uint32_t Inner[5], const std::uint32_t Outer[5], std::uint32_t (*U)[5],
                std::uint32_t (*Acc)[5], int Count, std::uint32_t Iterations) {
    if (cpudispatch::UseShaNi)
        Pbkdf2LoopShaNi(Inner, Outer, U, Acc, Count, Iterations);
    else
        Pbkdf2LoopPortable(Inner, Outer, U, Acc, Count, Iterations);
}

} // namespace ks::sha1core
