// KSSha1Portable.cpp -- SHA-1 compression and the PBKDF2 loop in plain C++.
#include <cstring>

#include "crypto/KSSha1Core.h"

namespace ks::sha1core {

namespace {

inline std::uint32_t Rol(std::uint32_t x, int n) {
    return (x << n) | (x >> (32 - n));
}

inline std::uint32_t LoadBE32(const std::uint8_t* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
           std::uint32_t(p[3]);
}

// 80 steps over the 16 message words W (overwritten by the expanded schedule).
inline void CompressWords(std::uint32_t S[5], std::uint32_t W[16]) {
    std::uint32_t a = S[0], b = S[1], c = S[2], d = S[3], e = S[4];
    auto step = [&](std::uint32_t f, std::uint32_t k, std::uint32_t w) {
        const std::uint32_t t = Rol(a, 5) + f + e + k + w;
        e = d;
        d = c;
        c = Rol(b, 30);
        b = a;
        a = t;
    };
    auto next = [&](int i) {
        const std::uint32_t w = Rol(W[(i + 13) & 15] ^ W[(i + 8) & 15] ^ W[(i + 2) & 15] ^ W[i & 15], 1);
        W[i & 15] = w;
        return w;
    };
#pragma GCC unroll 20
    for (int i = 0; i < 16; ++i)
        step(d ^ (b & (c ^ d)), 0x5A827999u, W[i]);
#pragma GCC unroll 20
    for (int i = 16; i < 20; ++i)
        step(d ^ (b & (c ^ d)), 0x5A827999u, next(i));
#pragma GCC unroll 20
    for (int i = 20; i < 40; ++i)
        step(b ^ c ^ d, 0x6ED9EBA1u, next(i));
#pragma GCC unroll 20
    for (int i = 40; i < 60; ++i)
        step((b & c) | (d & (b | c)), 0x8F1BBCDCu, next(i));
#pragma GCC unroll 20
    for (int i = 60; i < 80; ++i)
        step(b ^ c ^ d, 0xCA62C1D6u, next(i));
    S[0] += a;
    S[1] += b;
    S[2] += c;
    S[3] += d;
    S[4] += e;
}

// One compression of a block that holds a 20-byte message after a 64-byte key block:
// five words, the 0x80 marker, zeros and the length of 84 bytes in bits.
inline void CompressDigestBlock(std::uint32_t S[5], const std::uint32_t H[5]) {
    std::uint32_t W[16] = {H[0], H[1], H[2], H[3], H[4], 0x80000000u, 0, 0,
                           0,    0,    0,    0,    0,    0,           0, (64 + 20) * 8};
    CompressWords(S, W);
}

} // namespace

void CompressPortable(std::uint32_t State[5], const std::uint8_t* Data, std::size_t NBlocks) {
    for (; NBlocks > 0; --NBlocks, Data += 64) {
        std::uint32_t W[16];
        for (int i = 0; i < 16; ++i)
            W[i] = LoadBE32(Data + 4 * i);
        CompressWords(State, W);
    }
}

void Pbkdf2LoopPortable(const std::uint32_t Inner[5], const std::uint32_t Outer[5], std::uint32_t (*U)[5],
                        std::uint32_t (*Acc)[5], int Count, std::uint32_t Iterations) {
    for (int k = 0; k < Count; ++k) {
        std::uint32_t u[5];
        std::memcpy(u, U[k], sizeof u);
        for (std::uint32_t n = Iterations > 1 ? Iterations - 1 : 0; n > 0; --n) {
            std::uint32_t s[5];
            std::memcpy(s, Inner, sizeof s);
            CompressDigestBlock(s, u);
            std::memcpy(u, Outer, sizeof u);
            CompressDigestBlock(u, s);
            for (int i = 0; i < 5; ++i)
                Acc[k][i] ^= u[i];
        }
        std::memcpy(U[k], u, sizeof u);
    }
}

} // namespace ks::sha1core
