// KShmac.cpp -- HMAC over a hash descriptor.
#include "crypto/KShmac.h"

#include <cstring>

namespace ks {

void hmac_init(THMAC_Context& ctx, PHashDesc phash, const void* key, std::uint16_t klen) {
    std::memset(&ctx, 0, sizeof ctx);
    if (phash == nullptr)
        return;
    // A descriptor whose block or digest would not fit the context is unusable here: leave
    // the context uninitialised rather than overrun hmacbuf.
    if (phash->HBlockLen == 0 || phash->HBlockLen > MaxBlockLen || phash->HDigestlen > MaxDigestLen ||
        phash->HDigestlen > phash->HBlockLen)
        return;
    ctx.phashd = phash;
    const std::size_t lk = phash->HBlockLen;
    if (klen > lk) {
        THashDigest digest;
        HashFullXL(phash, digest, key, klen);
        std::memcpy(ctx.hmacbuf, digest.data(), phash->HDigestlen);
    } else if (klen > 0 && key != nullptr) {
        std::memcpy(ctx.hmacbuf, key, klen);
    }
    for (std::size_t i = 0; i < lk; ++i)
        ctx.hmacbuf[i] ^= 0x36;
    phash->HInit(ctx.hashctx);
    phash->HUpdateXL(ctx.hashctx, ctx.hmacbuf, static_cast<std::int32_t>(lk));
}

void hmac_updateXL(THMAC_Context& ctx, const void* data, std::int32_t dlen) {
    if (ctx.phashd == nullptr)
        return;
    ctx.phashd->HUpdateXL(ctx.hashctx, data, dlen);
}

void hmac_final(THMAC_Context& ctx, THashDigest& mac) {
    const PHashDesc phash = ctx.phashd;
    if (phash == nullptr)
        return;
    const std::size_t lk = phash->HBlockLen;
    phash->HFinal(ctx.hashctx, mac);
    // 0x36 ^ 0x6A == 0x5C: the inner pad becomes the outer pad.
    for (std::size_t i = 0; i < lk; ++i)
        ctx.hmacbuf[i] ^= 0x6A;
    phash->HInit(ctx.hashctx);
    phash->HUpdateXL(ctx.hashctx, ctx.hmacbuf, static_cast<std::int32_t>(lk));
    phash->HUpdateXL(ctx.hashctx, mac.data(), phash->HDigestlen);
    phash->HFinal(ctx.hashctx, mac);
}

} // namespace ks
