// KSAesTables.cpp -- AES with 32-bit table look-ups, and the key expansion.
//
// The tables are computed at compile time from the field arithmetic of FIPS 197. State
// columns are little-endian words (row 0 in the low byte), so a table entry holds the
// MixColumns contribution of one byte to the four rows of its column.
#include <array>
#include <cstring>

#include "crypto/KSAesCore.h"

namespace ks::aescore {

namespace {

constexpr std::uint8_t XTime(std::uint8_t x) {
    return static_cast<std::uint8_t>((x << 1) ^ ((x & 0x80) ? 0x1B : 0x00));
}

constexpr std::uint8_t Mul(std::uint8_t a, std::uint8_t b) {
    std::uint8_t r = 0;
    while (b != 0) {
        if (b & 1)
            r ^= a;
        a = XTime(a);
        b >>= 1;
    }
    return r;
}

constexpr std::array<std::uint8_t, 256> MakeSBox() {
    // Powers of the generator 3 give the multiplicative inverses: inv(3^i) = 3^(255 - i).
    std::array<std::uint8_t, 256> power{}, log{};
    std::uint8_t p = 1;
    for (int i = 0; i < 255; ++i) {
        power[static_cast<std::size_t>(i)] = p;
        log[p] = static_cast<std::uint8_t>(i);
        p = static_cast<std::uint8_t>(p ^ XTime(p));
    }
    std::array<std::uint8_t, 256> s{};
    for (int x = 0; x < 256; ++x) {
        // Multiplicative inverse (0 for 0), then the affine transformation.
        std::uint8_t b =
            x == 0 ? 0 : power[static_cast<std::size_t>((255 - log[static_cast<std::size_t>(x)]) % 255)];
        std::uint8_t r = 0x63;
        for (int i = 0; i < 5; ++i) {
            r ^= b;
            b = static_cast<std::uint8_t>((b << 1) | (b >> 7));
        }
        s[static_cast<std::size_t>(x)] = r;
    }
    return s;
}

constexpr std::array<std::uint8_t, 256> Invert(const std::array<std::uint8_t, 256>& s) {
    std::array<std::uint8_t, 256> inv{};
    for (int x = 0; x < 256; ++x)
        inv[s[static_cast<std::size_t>(x)]] = static_cast<std::uint8_t>(x);
    return inv;
}

constexpr std::uint32_t Rotl8(std::uint32_t x, int k) {
    return k == 0 ? x : static_cast<std::uint32_t>((x << (8 * k)) | (x >> (32 - 8 * k)));
}

constexpr std::uint32_t Word(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
    return std::uint32_t(b0) | (std::uint32_t(b1) << 8) | (std::uint32_t(b2) << 16) |
           (std::uint32_t(b3) << 24);
}

using Table = std::array<std::array<std::uint32_t, 256>, 4>;

constexpr Table MakeEncTables(const std::array<std::uint8_t, 256>& s) {
    Table t{};
    for (int x = 0; x < 256; ++x) {
        const std::uint8_t v = s[static_cast<std::size_t>(x)];
        const std::uint32_t w = Word(Mul(v, 2), v, v, Mul(v, 3));
        for (int k = 0; k < 4; ++k)
            t[static_cast<std::size_t>(k)][static_cast<std::size_t>(x)] = Rotl8(w, k);
    }
    return t;
}

constexpr Table MakeDecTables(const std::array<std::uint8_t, 256>& si) {
    Table t{};
    for (int x = 0; x < 256; ++x) {
        const std::uint8_t v = si[static_cast<std::size_t>(x)];
        const std::uint32_t w = Word(Mul(v, 14), Mul(v, 9), Mul(v, 13), Mul(v, 11));
        for (int k = 0; k < 4; ++k)
            t[static_cast<std::size_t>(k)][static_cast<std::size_t>(x)] = Rotl8(w, k);
    }
    return t;
}

// The round constants x^(i) in GF(2^8), i = 0..29.
constexpr std::array<std::uint8_t, 30> MakeRcon() {
    std::array<std::uint8_t, 30> r{};
    std::uint8_t v = 1;
    for (auto& c : r) {
        c = v;
        v = XTime(v);
    }
    return r;
}

constexpr std::array<std::uint8_t, 256> Rijndael_S = MakeSBox();
constexpr std::array<std::uint8_t, 256> Rijndael_SInv = Invert(Rijndael_S);
constexpr Table Rijndael_T = MakeEncTables(Rijndael_S);
constexpr Table Rijndael_TInv = MakeDecTables(Rijndael_SInv);
constexpr std::array<std::uint8_t, 30> RND_Data = MakeRcon();

static_assert(Rijndael_S[0x00] == 0x63 && Rijndael_S[0x53] == 0xED && Rijndael_S[0xFF] == 0x16);
static_assert(Rijndael_SInv[0x63] == 0x00 && RND_Data[9] == 0x36);

inline std::uint32_t Load(const std::uint8_t* p) {
    return Word(p[0], p[1], p[2], p[3]);
}

inline void Store(std::uint8_t* p, std::uint32_t w) {
    p[0] = static_cast<std::uint8_t>(w);
    p[1] = static_cast<std::uint8_t>(w >> 8);
    p[2] = static_cast<std::uint8_t>(w >> 16);
    p[3] = static_cast<std::uint8_t>(w >> 24);
}

inline std::uint8_t B(std::uint32_t w, int i) {
    return static_cast<std::uint8_t>(w >> (8 * i));
}

inline void EncryptWords(const std::uint8_t* rk, int rounds, std::uint32_t s[4]) {
    const auto& T = Rijndael_T;
    std::uint32_t s0 = s[0] ^ Load(rk), s1 = s[1] ^ Load(rk + 4), s2 = s[2] ^ Load(rk + 8),
                  s3 = s[3] ^ Load(rk + 12);
    for (int r = 1; r < rounds; ++r) {
        rk += 16;
        const std::uint32_t t0 = T[0][B(s0, 0)] ^ T[1][B(s1, 1)] ^ T[2][B(s2, 2)] ^ T[3][B(s3, 3)] ^ Load(rk);
        const std::uint32_t t1 =
            T[0][B(s1, 0)] ^ T[1][B(s2, 1)] ^ T[2][B(s3, 2)] ^ T[3][B(s0, 3)] ^ Load(rk + 4);
        const std::uint32_t t2 =
            T[0][B(s2, 0)] ^ T[1][B(s3, 1)] ^ T[2][B(s0, 2)] ^ T[3][B(s1, 3)] ^ Load(rk + 8);
        const std::uint32_t t3 =
            T[0][B(s3, 0)] ^ T[1][B(s0, 1)] ^ T[2][B(s1, 2)] ^ T[3][B(s2, 3)] ^ Load(rk + 12);
        s0 = t0;
        s1 = t1;
        s2 = t2;
        s3 = t3;
    }
    rk += 16;
    const auto& S = Rijndael_S;
    s[0] = Word(S[B(s0, 0)], S[B(s1, 1)], S[B(s2, 2)], S[B(s3, 3)]) ^ Load(rk);
    s[1] = Word(S[B(s1, 0)], S[B(s2, 1)], S[B(s3, 2)], S[B(s0, 3)]) ^ Load(rk + 4);
    s[2] = Word(S[B(s2, 0)], S[B(s3, 1)], S[B(s0, 2)], S[B(s1, 3)]) ^ Load(rk + 8);
    s[3] = Word(S[B(s3, 0)], S[B(s0, 1)], S[B(s1, 2)], S[B(s2, 3)]) ^ Load(rk + 12);
}

// InvMixColumns of one round key: the inverse tables already hold InvMixColumns of the
// inverse S-box, so looking up S[b] undoes the S-box and leaves InvMixColumns of b.
void InvMixColumns(std::uint8_t* c) {
    const auto& T = Rijndael_TInv;
    const auto& S = Rijndael_S;
    for (int col = 0; col < 4; ++col, c += 4)
        Store(c, T[0][S[c[0]]] ^ T[1][S[c[1]]] ^ T[2][S[c[2]]] ^ T[3][S[c[3]]]);
}

} // namespace

void ExpandKey(const std::uint8_t* Key, int Rounds, std::uint8_t* Enc, std::uint8_t* Dec) {
    const int nk = Rounds - 6;
    const int total = 4 * (Rounds + 1);
    std::memcpy(Enc, Key, static_cast<std::size_t>(4 * nk));
    for (int i = nk; i < total; ++i) {
        std::uint8_t t[4];
        std::memcpy(t, Enc + 4 * (i - 1), 4);
        if (i % nk == 0) {
            const std::uint8_t first = t[0];
            t[0] =
                static_cast<std::uint8_t>(Rijndael_S[t[1]] ^ RND_Data[static_cast<std::size_t>(i / nk - 1)]);
            t[1] = Rijndael_S[t[2]];
            t[2] = Rijndael_S[t[3]];
            t[3] = Rijndael_S[first];
        } else if (nk > 6 && i % nk == 4) {
            for (auto& b : t)
                b = Rijndael_S[b];
        }
        for (int j = 0; j < 4; ++j)
            Enc[4 * i + j] = Enc[4 * (i - nk) + j] ^ t[j];
    }
    std::memcpy(Dec, Enc, static_cast<std::size_t>(4 * total));
    for (int r = 1; r < Rounds; ++r)
        InvMixColumns(Dec + 16 * r);
}

void EncryptTable(const std::uint8_t* Enc, int Rounds, const std::uint8_t* In, std::uint8_t* Out) {
    std::uint32_t s[4] = {Load(In), Load(In + 4), Load(In + 8), Load(In + 12)};
    EncryptWords(Enc, Rounds, s);
    for (int i = 0; i < 4; ++i)
        Store(Out + 4 * i, s[i]);
}

void DecryptTable(const std::uint8_t* Dec, int Rounds, const std::uint8_t* In, std::uint8_t* Out) {
    const auto& T = Rijndael_TInv;
    const std::uint8_t* rk = Dec + 16 * Rounds;
    std::uint32_t s0 = Load(In) ^ Load(rk), s1 = Load(In + 4) ^ Load(rk + 4),
                  s2 = Load(In + 8) ^ Load(rk + 8), s3 = Load(In + 12) ^ Load(rk + 12);
    for (int r = Rounds - 1; r >= 1; --r) {
        rk -= 16;
        const std::uint32_t t0 = T[0][B(s0, 0)] ^ T[1][B(s3, 1)] ^ T[2][B(s2, 2)] ^ T[3][B(s1, 3)] ^ Load(rk);
        const std::uint32_t t1 =
            T[0][B(s1, 0)] ^ T[1][B(s0, 1)] ^ T[2][B(s3, 2)] ^ T[3][B(s2, 3)] ^ Load(rk + 4);
        const std::uint32_t t2 =
            T[0][B(s2, 0)] ^ T[1][B(s1, 1)] ^ T[2][B(s0, 2)] ^ T[3][B(s3, 3)] ^ Load(rk + 8);
        const std::uint32_t t3 =
            T[0][B(s3, 0)] ^ T[1][B(s2, 1)] ^ T[2][B(s1, 2)] ^ T[3][B(s0, 3)] ^ Load(rk + 12);
        s0 = t0;
        s1 = t1;
        s2 = t2;
        s3 = t3;
    }
    rk -= 16;
    const auto& S = Rijndael_SInv;
    Store(Out, Word(S[B(s0, 0)], S[B(s3, 1)], S[B(s2, 2)], S[B(s1, 3)]) ^ Load(rk));
    Store(Out + 4, Word(S[B(s1, 0)], S[B(s0, 1)], S[B(s3, 2)], S[B(s2, 3)]) ^ Load(rk + 4));
    Store(Out + 8, Word(S[B(s2, 0)], S[B(s1, 1)], S[B(s0, 2)], S[B(s3, 3)]) ^ Load(rk + 8));
    Store(Out + 12, Word(S[B(s3, 0)], S[B(s2, 1)], S[B(s1, 2)], S[B(s0, 3)]) ^ Load(rk + 12));
}

void CtrTable(const std::uint8_t* Enc, int Rounds, std::uint8_t* Nonce, std::uint8_t* Data,
              std::size_t Blocks, std::uint8_t* LastKeyStream) {
    if (Blocks == 0)
        return;
    std::uint64_t counter = 0;
    for (int i = 7; i >= 0; --i)
        counter = (counter << 8) | Nonce[i];
    const std::uint32_t high0 = Load(Nonce + 8), high1 = Load(Nonce + 12);
    std::uint32_t s[4] = {};
    for (; Blocks > 0; --Blocks, Data += 16) {
        ++counter;
        s[0] = static_cast<std::uint32_t>(counter);
        s[1] = static_cast<std::uint32_t>(counter >> 32);
        s[2] = high0;
        s[3] = high1;
        EncryptWords(Enc, Rounds, s);
        for (int i = 0; i < 4; ++i)
            Store(Data + 4 * i, Load(Data + 4 * i) ^ s[i]);
    }
    for (int i = 0; i < 4; ++i)
        Store(LastKeyStream + 4 * i, s[i]);
    for (int i = 0; i < 8; ++i)
        Nonce[i] = static_cast<std::uint8_t>(counter >> (8 * i));
}

} // namespace ks::aescore
