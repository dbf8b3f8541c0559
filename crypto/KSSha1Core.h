// KSSha1Core.h -- the SHA-1 compression function and the PBKDF2-HMAC-SHA1 iteration loop,
// in a portable form and in a form that uses the CPU's SHA instructions (crypto-internal).
//
// State words are host-order integers; message words are the big-endian words of the block.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ks::sha1core {

inline constexpr std::uint32_t InitialState[5] = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u,
                                                  0xC3D2E1F0u};

// Compresses nblocks consecutive 64-byte blocks into State.
void CompressPortable(std::uint32_t State[5], const std::uint8_t* Data, std::size_t NBlocks);
void CompressShaNi(std::uint32_t State[5], const std::uint8_t* Data, std::size_t NBlocks);
// Uses the SHA instructions when they are selected (see KSCpuFeatures.h).
void Compress(std::uint32_t State[5], const std::uint8_t* Data, std::size_t NBlocks);

// The PBKDF2 iterations 2..Iterations of Count independent output blocks (Count 1..4):
// U[k] holds U_1 of block k on entry; each further iteration computes
// U = HMAC(U) = outer(inner(U)) from the keyed states Inner and Outer (each the state after
// one 64-byte key block) and XORs U into Acc[k]. U is left holding the last U.
void Pbkdf2LoopPortable(const std::uint32_t Inner[5], const std::uint32_t Outer[5], std::uint32_t (*U)[5],
                        std::uint32_t (*Acc)[5], int Count, std::uint32_t Iterations);
void Pbkdf2LoopShaNi(const std::uint32_t Inner[5], const std::uint32_t Outer[5], std::uint32_t (*U)[5],
                     std::uint32_t (*Acc)[5], int Count, std::uint32_t Iterations);
void Pbkdf2Loop(const std::uint32_t Inner[5], const std::uint32_t Outer[5], std::uint32_t (*U)[5],
                std::uint32_t (*Acc)[5], int Count, std::uint32_t Iterations);

// Whether the hardware forms may be called on this machine at all.
bool ShaNiSupported();

} // namespace ks::sha1core
