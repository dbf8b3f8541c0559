// KSAesNi.cpp -- AES with the x86 AES instructions.
//
// Compiled with the AES, SSSE3 and SSE4.1 instruction sets enabled; its functions run only
// after the processor has been found to support them. It includes nothing but the intrinsics
// header so that no shared inline code is compiled with those instruction sets.
#include "crypto/KSAesCore.h"

#if defined(__x86_64__) && defined(__AES__)
#include <immintrin.h>

namespace ks::aescore {

namespace {

inline __m128i Key(const std::uint8_t* rk, int r) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(rk + 16 * r));
}

// Encrypts N blocks in parallel so that the latency of each round instruction overlaps.
template <int N, int Rounds>
inline __attribute__((always_inline)) void EncryptN(const __m128i* k, __m128i (&b)[N]) {
#pragma GCC unroll 8
    for (int i = 0; i < N; ++i)
        b[i] = _mm_xor_si128(b[i], k[0]);
#pragma GCC unroll 16
    for (int r = 1; r < Rounds; ++r) {
        const __m128i key = k[r];
#pragma GCC unroll 8
        for (int i = 0; i < N; ++i)
            b[i] = _mm_aesenc_si128(b[i], key);
    }
#pragma GCC unroll 8
    for (int i = 0; i < N; ++i)
        b[i] = _mm_aesenclast_si128(b[i], k[Rounds]);
}

template <int Rounds>
void CtrRounds(const std::uint8_t* Enc, std::uint8_t* Nonce, std::uint8_t* Data, std::size_t Blocks,
               std::uint8_t* LastKeyStream) {
    __m128i k[Rounds + 1];
#pragma GCC unroll 16
    for (int r = 0; r <= Rounds; ++r)
        k[r] = Key(Enc, r);
    // The counter is the low 64-bit lane (bytes 0..7, little-endian); adding 1 there wraps
    // modulo 2^64 and leaves bytes 8..15 alone.
    const __m128i one = _mm_set_epi64x(0, 1);
    __m128i ctr = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Nonce));
    __m128i last = _mm_setzero_si128();
    constexpr int Lanes = 8;
    for (; Blocks >= Lanes; Blocks -= Lanes, Data += 16 * Lanes) {
        __m128i b[Lanes];
#pragma GCC unroll 8
        for (int i = 0; i < Lanes; ++i) {
            ctr = _mm_add_epi64(ctr, one);
            b[i] = ctr;
        }
        EncryptN<Lanes, Rounds>(k, b);
#pragma GCC unroll 8
        for (int i = 0; i < Lanes; ++i) {
            auto* p = reinterpret_cast<__m128i*>(Data + 16 * i);
            _mm_storeu_si128(p, _mm_xor_si128(_mm_loadu_si128(p), b[i]));
        }
        last = b[Lanes - 1];
    }
    for (; Blocks > 0; --Blocks, Data += 16) {
        __m128i b[1];
        ctr = _mm_add_epi64(ctr, one);
        b[0] = ctr;
        EncryptN<1, Rounds>(k, b);
        auto* p = reinterpret_cast<__m128i*>(Data);
        _mm_storeu_si128(p, _mm_xor_si128(_mm_loadu_si128(p), b[0]));
        last = b[0];
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(LastKeyStream), last);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(Nonce), ctr);
}

} // namespace

void EncryptAesNi(const std::uint8_t* Enc, int Rounds, const std::uint8_t* In, std::uint8_t* Out) {
    __m128i b = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(In)), Key(Enc, 0));
    for (int r = 1; r < Rounds; ++r)
        b = _mm_aesenc_si128(b, Key(Enc, r));
    b = _mm_aesenclast_si128(b, Key(Enc, Rounds));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(Out), b);
}

void DecryptAesNi(const std::uint8_t* Dec, int Rounds, const std::uint8_t* In, std::uint8_t* Out) {
    __m128i b = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(In)), Key(Dec, Rounds));
    for (int r = Rounds - 1; r >= 1; --r)
        b = _mm_aesdec_si128(b, Key(Dec, r));
    b = _mm_aesdeclast_si128(b, Key(Dec, 0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(Out), b);
}

void CtrAesNi(const std::uint8_t* Enc, int Rounds, std::uint8_t* Nonce, std::uint8_t* Data,
              std::size_t Blocks, std::uint8_t* LastKeyStream) {
    if (Blocks == 0)
        return;
    switch (Rounds) {
    case 10:
        CtrRounds<10>(Enc, Nonce, Data, Blocks, LastKeyStream);
        break;
    case 12:
        CtrRounds<12>(Enc, Nonce, Data, Blocks, LastKeyStream);
        break;
    default:
        CtrRounds<14>(Enc, Nonce, Data, Blocks, LastKeyStream);
        break;
    }
}

} // namespace ks::aescore

#else

namespace ks::aescore {
// Without the AES instructions the hardware forms are never selected; they forward to the
// table code so that the names exist on every target.
void EncryptAesNi(const std::uint8_t* Enc, int Rounds, const std::uint8_t* In, std::uint8_t* Out) {
    EncryptTable(Enc, Rounds, In, Out);
}
void DecryptAesNi(const std::uint8_t* Dec, int Rounds, const std::uint8_t* In, std::uint8_t* Out) {
    DecryptTable(Dec, Rounds, In, Out);
}
void CtrAesNi(const std::uint8_t* Enc, int Rounds, std::uint8_t* Nonce, std::uint8_t* Data,
              std::size_t Blocks, std::uint8_t* LastKeyStream) {
    CtrTable(Enc, Rounds, Nonce, Data, Blocks, LastKeyStream);
}
} // namespace ks::aescore

#endif
