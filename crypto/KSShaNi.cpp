// KSShaNi.cpp -- SHA-1 compression and the PBKDF2 loop with the x86 SHA instructions.
//
// This file is compiled with the SHA, SSSE3 and SSE4.1 instruction sets enabled; its functions
// run only after the processor has been found to support them. It includes nothing but the
// intrinsics header so that no shared inline code is compiled with those instruction sets.
#include "crypto/KSSha1Core.h"

#if defined(__x86_64__) && defined(__SHA__)
#include <immintrin.h>

#include <utility>

namespace ks::sha1core {

namespace {

// Four rounds, group I of 20, on N independent states. m[s][I % 4] holds the message words
// 4I..4I+3 once the schedule for group I is computed; the other three slots hold the words of
// the three previous groups.
template <int I, int N>
inline __attribute__((always_inline)) void Group(__m128i (&abcd)[N], __m128i (&e)[N], __m128i (&eprev)[N],
                                                 __m128i (&m)[N][4]) {
#pragma GCC unroll 8
    for (int s = 0; s < N; ++s) {
        if constexpr (I >= 4)
            m[s][I % 4] = _mm_sha1msg2_epu32(
                _mm_xor_si128(_mm_sha1msg1_epu32(m[s][I % 4], m[s][(I + 1) % 4]), m[s][(I + 2) % 4]),
                m[s][(I + 3) % 4]);
        __m128i ex;
        if constexpr (I == 0)
            ex = _mm_add_epi32(e[s], m[s][0]);
        else
            ex = _mm_sha1nexte_epu32(eprev[s], m[s][I % 4]);
        eprev[s] = abcd[s];
        abcd[s] = _mm_sha1rnds4_epu32(abcd[s], ex, I / 5);
    }
}

// The 80 rounds and the feed-forward on N states. abcd holds A in lane 3 and D in lane 0,
// e holds E in lane 3 and zeros elsewhere (and keeps that form).
template <int N, int... I>
inline __attribute__((always_inline)) void Rounds(__m128i (&abcd)[N], __m128i (&e)[N], __m128i (&m)[N][4],
                                                  std::integer_sequence<int, I...>) {
    __m128i abcdSave[N], eSave[N], eprev[N];
#pragma GCC unroll 8
    for (int s = 0; s < N; ++s) {
        abcdSave[s] = abcd[s];
        eSave[s] = e[s];
        eprev[s] = e[s];
    }
    (Group<I, N>(abcd, e, eprev, m), ...);
#pragma GCC unroll 8
    for (int s = 0; s < N; ++s) {
        e[s] = _mm_sha1nexte_epu32(eprev[s], eSave[s]);
        abcd[s] = _mm_add_epi32(abcd[s], abcdSave[s]);
    }
}

template <int N>
inline __attribute__((always_inline)) void Compress80(__m128i (&abcd)[N], __m128i (&e)[N],
                                                      __m128i (&m)[N][4]) {
    Rounds<N>(abcd, e, m, std::make_integer_sequence<int, 20>{});
}

inline __m128i LoadState(const std::uint32_t S[5], __m128i& e) {
    e = _mm_set_epi32(static_cast<int>(S[4]), 0, 0, 0);
    return _mm_set_epi32(static_cast<int>(S[0]), static_cast<int>(S[1]), static_cast<int>(S[2]),
                         static_cast<int>(S[3]));
}

inline void StoreState(std::uint32_t S[5], __m128i abcd, __m128i e) {
    S[0] = static_cast<std::uint32_t>(_mm_extract_epi32(abcd, 3));
    S[1] = static_cast<std::uint32_t>(_mm_extract_epi32(abcd, 2));
    S[2] = static_cast<std::uint32_t>(_mm_extract_epi32(abcd, 1));
    S[3] = static_cast<std::uint32_t>(_mm_extract_epi32(abcd, 0));
    S[4] = static_cast<std::uint32_t>(_mm_extract_epi32(e, 3));
}

template <int N>
void Pbkdf2LoopN(const std::uint32_t Inner[5], const std::uint32_t Outer[5], std::uint32_t (*U)[5],
                 std::uint32_t (*Acc)[5], std::uint32_t Iterations) {
    __m128i innerE, outerE;
    const __m128i innerAbcd = LoadState(Inner, innerE);
    const __m128i outerAbcd = LoadState(Outer, outerE);
    // A 20-byte message after one key block: words 5..15 are the 0x80 marker, zeros and the
    // bit length 672. Word 4 is the fifth digest word, which sits in lane 3 of the E register.
    const __m128i marker = _mm_set_epi32(0, static_cast<int>(0x80000000u), 0, 0);
    const __m128i lane3 = _mm_set_epi32(-1, 0, 0, 0);
    const __m128i length = _mm_set_epi32(0, 0, 0, (64 + 20) * 8);
    __m128i uAbcd[N], uE[N], accAbcd[N], accE[N];
#pragma GCC unroll 8
    for (int s = 0; s < N; ++s) {
        uAbcd[s] = LoadState(U[s], uE[s]);
        accAbcd[s] = LoadState(Acc[s], accE[s]);
    }
    for (std::uint32_t n = Iterations > 1 ? Iterations - 1 : 0; n > 0; --n) {
        __m128i abcd[N], e[N], m[N][4];
#pragma GCC unroll 8
        for (int s = 0; s < N; ++s) {
            m[s][0] = uAbcd[s];
            m[s][1] = _mm_or_si128(_mm_and_si128(uE[s], lane3), marker);
            m[s][2] = _mm_setzero_si128();
            m[s][3] = length;
            abcd[s] = innerAbcd;
            e[s] = innerE;
        }
        Compress80<N>(abcd, e, m);
#pragma GCC unroll 8
        for (int s = 0; s < N; ++s) {
            m[s][0] = abcd[s];
            m[s][1] = _mm_or_si128(_mm_and_si128(e[s], lane3), marker);
            m[s][2] = _mm_setzero_si128();
            m[s][3] = length;
            uAbcd[s] = outerAbcd;
            uE[s] = outerE;
        }
        Compress80<N>(uAbcd, uE, m);
#pragma GCC unroll 8
        for (int s = 0; s < N; ++s) {
            accAbcd[s] = _mm_xor_si128(accAbcd[s], uAbcd[s]);
            accE[s] = _mm_xor_si128(accE[s], uE[s]);
        }
    }
#pragma GCC unroll 8
    for (int s = 0; s < N; ++s) {
        StoreState(U[s], uAbcd[s], uE[s]);
        StoreState(Acc[s], accAbcd[s], accE[s]);
    }
}

} // namespace

void CompressShaNi(std::uint32_t State[5], const std::uint8_t* Data, std::size_t NBlocks) {
    const __m128i swap = _mm_set_epi64x(0x0001020304050607LL, 0x08090a0b0c0d0e0fLL);
    __m128i abcd[1], e[1];
    abcd[0] = LoadState(State, e[0]);
    for (; NBlocks > 0; --NBlocks, Data += 64) {
        __m128i m[1][4];
#pragma GCC unroll 8
        for (int i = 0; i < 4; ++i)
            m[0][i] =
                _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(Data + 16 * i)), swap);
        Compress80<1>(abcd, e, m);
    }
    StoreState(State, abcd[0], e[0]);
}

void Pbkdf2LoopShaNi(const std::uint32_t Inner[5], const std::uint32_t Outer[5], std::uint32_t (*U)[5],
                     std::uint32_t (*Acc)[5], int Count, std::uint32_t Iterations) {
    switch (Count) {
    case 1:
        Pbkdf2LoopN<1>(Inner, Outer, U, Acc, Iterations);
        break;
    case 2:
        Pbkdf2LoopN<2>(Inner, Outer, U, Acc, Iterations);
        break;
    case 3:
        Pbkdf2LoopN<3>(Inner, Outer, U, Acc, Iterations);
        break;
    case 4:
        Pbkdf2LoopN<4>(Inner, Outer, U, Acc, Iterations);
        break;
    default:
        break;
    }
}

} // namespace ks::sha1core

#else

namespace ks::sha1core {
// Without the SHA instructions the hardware forms are never selected; they forward to the
// portable code so that the names exist on every target.
void CompressShaNi(std::uint32_t State[5], const std::uint8_t* Data, std::size_t NBlocks) {
    CompressPortable(State, Data, NBlocks);
}
void Pbkdf2LoopShaNi(const std::uint32_t Inner[5], const std::uint32_t Outer[5], std::uint32_t (*U)[5],
                     std::uint32_t (*Acc)[5], int Count, std::uint32_t Iterations) {
    Pbkdf2LoopPortable(Inner, Outer, U, Acc, Count, Iterations);
}
} // namespace ks::sha1core

#endif
