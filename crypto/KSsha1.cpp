// KSsha1.cpp -- SHA-1 message handling (buffering, length, padding) and its descriptor.
#include "crypto/KSsha1.h"

#include <algorithm>
#include <cstring>

#include "crypto/KSSha1Core.h"

namespace ks {

const THashOID SHA1_OID = {1, 3, 14, 3, 2, 26, 0, 0, 0};

const THashDesc SHA1_Desc = {
    C_HashSig, sizeof(THashDesc),         C_HashVers, 64, 20, &SHA1Init, &SHA1FinalEx, &SHA1UpdateXL,
    _SHA1,     {4, {'S', 'H', 'A', '1'}}, &SHA1_OID,  6,  {},
};

void SHA1Init(THashContext& Context) {
    std::memset(&Context, 0, sizeof Context);
    std::memcpy(Context.Hash.data(), sha1core::InitialState, sizeof sha1core::InitialState);
}

void SHA1UpdateXL(THashContext& Context, const void* Msg, std::int32_t Len) {
    if (Len <= 0 || Msg == nullptr)
        return;
    // The bit count is a 64-bit number in MLen[0] (low) and MLen[1] (high); it wraps at 2^64.
    std::uint64_t bits = (std::uint64_t(Context.MLen[1]) << 32) | Context.MLen[0];
    bits += std::uint64_t(std::uint32_t(Len)) * 8u;
    Context.MLen[0] = static_cast<std::uint32_t>(bits);
    Context.MLen[1] = static_cast<std::uint32_t>(bits >> 32);

    const auto* p = static_cast<const std::uint8_t*>(Msg);
    std::size_t left = static_cast<std::size_t>(Len);
    std::uint32_t* state = Context.Hash.data();
    // An index outside the block cannot come from these routines; treat it as a fresh block
    // rather than write past the buffer.
    if (Context.Index >= 64)
        Context.Index = 0;
    if (Context.Index > 0) {
        const std::size_t take = std::min<std::size_t>(64 - Context.Index, left);
        std::memcpy(Context.Buffer.data() + Context.Index, p, take);
        Context.Index += static_cast<std::uint32_t>(take);
        p += take;
        left -= take;
        if (Context.Index < 64)
            return;
        sha1core::Compress(state, Context.Buffer.data(), 1);
        Context.Index = 0;
    }
    if (left >= 64) {
        const std::size_t blocks = left / 64;
        sha1core::Compress(state, p, blocks);
        p += blocks * 64;
        left -= blocks * 64;
    }
    if (left > 0) {
        std::memcpy(Context.Buffer.data(), p, left);
        Context.Index = static_cast<std::uint32_t>(left);
    }
}

void SHA1FinalEx(THashContext& Context, THashDigest& Digest) {
    if (Context.Index >= 64)
        Context.Index = 0;
    std::uint8_t* buf = Context.Buffer.data();
    std::uint32_t* state = Context.Hash.data();
    buf[Context.Index] = 0x80;
    std::memset(buf + Context.Index + 1, 0, 64 - Context.Index - 1);
    if (Context.Index > 55) {
        sha1core::Compress(state, buf, 1);
        std::memset(buf, 0, 56);
    }
    const std::uint32_t words[2] = {Context.MLen[1], Context.MLen[0]};
    for (int w = 0; w < 2; ++w)
        for (int i = 0; i < 4; ++i)
            buf[56 + 4 * w + i] = static_cast<std::uint8_t>(words[w] >> (24 - 8 * i));
    sha1core::Compress(state, buf, 1);
    Digest.fill(0);
    for (int w = 0; w < 5; ++w)
        for (int i = 0; i < 4; ++i)
            Digest[4 * w + i] = static_cast<std::uint8_t>(state[w] >> (24 - 8 * i));
    std::memset(&Context, 0, sizeof Context);
}

} // namespace ks
