// KSpb_kdf.cpp -- PBKDF2 over HMAC.
//
// The HMAC is keyed once per derivation: the hash states after the inner and the outer key
// block are kept and every iteration continues from copies of them, which gives the same
// values as keying the HMAC anew each time. For SHA-1 the iterations run on state words in
// the compression core, several output blocks at once.
#include "crypto/KSpb_kdf.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "crypto/KSSha1Core.h"
#include "crypto/KShmac.h"
#include "crypto/KSsha1.h"

namespace ks {

bool HaltOnError = true;

ERunTimeError::ERunTimeError(int Code)
    : Exception("Runtime error " + std::to_string(Code)), ErrorCode(Code) {}

namespace {

// The keyed inner and outer hash contexts of one password.
struct TKeyedHmac {
    PHashDesc phash;
    THashContext inner;
    THashContext outer;

    TKeyedHmac(PHashDesc p, const void* pw, std::uint16_t pLen) : phash(p) {
        THMAC_Context h;
        hmac_init(h, p, pw, pLen);
        inner = h.hashctx;
        const std::size_t lk = p->HBlockLen;
        for (std::size_t i = 0; i < lk; ++i)
            h.hmacbuf[i] ^= 0x6A;
        p->HInit(outer);
        p->HUpdateXL(outer, h.hmacbuf, static_cast<std::int32_t>(lk));
        std::memset(&h, 0, sizeof h);
    }
    ~TKeyedHmac() {
        std::memset(&inner, 0, sizeof inner);
        std::memset(&outer, 0, sizeof outer);
    }

    // mac = HMAC(a || b)
    void Mac(const void* a, std::int32_t aLen, const void* b, std::int32_t bLen, THashDigest& mac) const {
        THashContext c = inner;
        phash->HUpdateXL(c, a, aLen);
        phash->HUpdateXL(c, b, bLen);
        phash->HFinal(c, mac);
        c = outer;
        phash->HUpdateXL(c, mac.data(), phash->HDigestlen);
        phash->HFinal(c, mac);
    }
};

void IncMSB(std::uint8_t ctr[4]) {
    for (int i = 3; i >= 0; --i)
        if (++ctr[i] != 0)
            break;
}

bool IsPlainSha1(PHashDesc p) {
    return p->HInit == &SHA1Init && p->HUpdateXL == &SHA1UpdateXL && p->HFinal == &SHA1FinalEx &&
           p->HBlockLen == 64 && p->HDigestlen == 20;
}

void LoadWords(std::uint32_t w[5], const std::uint8_t* p) {
    for (int i = 0; i < 5; ++i)
        w[i] = (std::uint32_t(p[4 * i]) << 24) | (std::uint32_t(p[4 * i + 1]) << 16) |
               (std::uint32_t(p[4 * i + 2]) << 8) | std::uint32_t(p[4 * i + 3]);
}

void StoreWords(std::uint8_t* p, const std::uint32_t w[5]) {
    for (int i = 0; i < 5; ++i)
        for (int b = 0; b < 4; ++b)
            p[4 * i + b] = static_cast<std::uint8_t>(w[i] >> (24 - 8 * b));
}

// PBKDF2-HMAC-SHA1 on state words; up to four output blocks run interleaved.
void DeriveSha1(const TKeyedHmac& k, const void* salt, std::uint16_t sLen, std::int32_t C, std::uint8_t* out,
                std::uint32_t dkLen) {
    constexpr int Lanes = 4;
    std::uint8_t ctr[4] = {0, 0, 0, 0};
    std::uint32_t written = 0;
    while (written < dkLen) {
        std::uint32_t u[Lanes][5], acc[Lanes][5];
        int count = 0;
        for (; count < Lanes && written + 20u * count < dkLen; ++count) {
            IncMSB(ctr);
            THashDigest mac;
            k.Mac(salt, sLen, ctr, 4, mac);
            LoadWords(u[count], mac.data());
            std::memcpy(acc[count], u[count], sizeof acc[count]);
        }
        sha1core::Pbkdf2Loop(k.inner.Hash.data(), k.outer.Hash.data(), u, acc, count,
                             static_cast<std::uint32_t>(C));
        for (int b = 0; b < count; ++b) {
            std::uint8_t block[20];
            StoreWords(block, acc[b]);
            const std::uint32_t take = std::min<std::uint32_t>(20, dkLen - written);
            std::memcpy(out + written, block, take);
            written += take;
        }
        std::memset(u, 0, sizeof u);
        std::memset(acc, 0, sizeof acc);
    }
}

// PBKDF2 over any descriptor, one output block at a time.
void DeriveGeneric(const TKeyedHmac& k, const void* salt, std::uint16_t sLen, std::int32_t C,
                   std::uint8_t* out, std::uint32_t dkLen) {
    const std::uint32_t hLen = k.phash->HDigestlen;
    std::uint8_t ctr[4] = {0, 0, 0, 0};
    std::uint32_t written = 0;
    while (written < dkLen) {
        IncMSB(ctr);
        std::uint8_t acc[MaxDigestLen] = {};
        THashDigest u;
        for (std::int32_t j = 1; j <= C; ++j) {
            if (j == 1)
                k.Mac(salt, sLen, ctr, 4, u);
            else
                k.Mac(u.data(), static_cast<std::int32_t>(hLen), nullptr, 0, u);
            for (std::uint32_t i = 0; i < hLen; ++i)
                acc[i] ^= u[i];
        }
        const std::uint32_t take = std::min(hLen, dkLen - written);
        std::memcpy(out + written, acc, take);
        written += take;
    }
}

} // namespace

int kdf2(PHashDesc phash, const void* pPW, std::uint16_t pLen, const void* salt, std::uint16_t sLen,
         std::int32_t C, void* DK, std::uint16_t dkLen) {
    if (phash == nullptr)
        return kdf_err_nil_pointer;
    if (phash->HDigestlen == 0)
        return kdf_err_digestlen;
    // A missing buffer for a non-zero length would be read or written through a null pointer.
    if ((pPW == nullptr && pLen > 0) || (salt == nullptr && sLen > 0) || (DK == nullptr && dkLen > 0))
        return kdf_err_nil_pointer;
    // A descriptor whose digest or block does not fit the fixed-size buffers cannot be used.
    if (phash->HDigestlen > MaxDigestLen || phash->HBlockLen == 0 || phash->HBlockLen > MaxBlockLen ||
        phash->HDigestlen > phash->HBlockLen)
        return kdf_err_digestlen;
    if (dkLen == 0)
        return 0;
    auto* out = static_cast<std::uint8_t*>(DK);
    if (C <= 0) {
        std::memset(out, 0, dkLen);
        return 0;
    }
    const TKeyedHmac keyed(phash, pPW, pLen);
    if (IsPlainSha1(phash))
        DeriveSha1(keyed, salt, sLen, C, out, dkLen);
    else
        DeriveGeneric(keyed, salt, sLen, C, out, dkLen);
    return 0;
}

void PBKDF2(const void* pPW, std::uint16_t pLen, const void* salt, std::uint16_t sLen, std::int32_t C,
            void* DK, std::uint16_t dkLen) {
    const int rc = kdf2(FindHash_by_ID(_SHA1), pPW, pLen, salt, sLen, C, DK, dkLen);
    if (rc != 0 && HaltOnError)
        throw ERunTimeError(254);
}

} // namespace ks
