// KShmac.h -- HMAC (RFC 2104) over any registered hash descriptor.
#pragma once

#include <cstdint>

#include "crypto/KSHash.h"

namespace ks {

struct THMAC_Context {
    THashContext hashctx;              // the running inner or outer hash
    std::uint8_t hmacbuf[MaxBlockLen]; // the key block XORed with the inner, later the outer pad
    PHashDesc phashd;                  // nullptr: not initialised, every operation does nothing
};

// Starts an HMAC keyed with klen bytes of key. A key longer than the hash's block length is
// replaced by its digest. With phash nullptr the context stays uninitialised.
void hmac_init(THMAC_Context& ctx, PHashDesc phash, const void* key, std::uint16_t klen);
// Feeds dlen message bytes.
void hmac_updateXL(THMAC_Context& ctx, const void* data, std::int32_t dlen);
// Writes the HMAC value (HDigestlen valid bytes); the context then needs a new hmac_init.
void hmac_final(THMAC_Context& ctx, THashDigest& mac);

} // namespace ks
