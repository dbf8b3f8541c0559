// KSsha1.h -- SHA-1 (FIPS 180) as a hash descriptor and as direct calls.
#pragma once

#include <array>
#include <cstdint>

#include "crypto/KSHash.h"

namespace ks {

using TSHA1Digest = std::array<std::uint8_t, 20>;

// 1.3.14.3.2.26
extern const THashOID SHA1_OID;
extern const THashDesc SHA1_Desc;

// Zeroes the whole context and loads the initial state.
void SHA1Init(THashContext& Context);
// Feeds Len bytes; Len <= 0 changes nothing.
void SHA1UpdateXL(THashContext& Context, const void* Msg, std::int32_t Len);
// Completes the message, writes the digest (20 bytes, the rest of Digest zero) and wipes the context.
void SHA1FinalEx(THashContext& Context, THashDigest& Digest);

} // namespace ks
