// HMAC-SHA1: RFC 2202, the key-length rule at the block length, and the uninitialised context.
#include <gtest/gtest.h>

#include "CryptoTestUtil.h"
#include "crypto/KShmac.h"
#include "crypto/KSsha1.h"

namespace ks::test {
namespace {

std::string HmacHex(const Bytes& key, const Bytes& msg, std::size_t piece = 0) {
    THMAC_Context ctx;
    hmac_init(ctx, &SHA1_Desc, key.data(), static_cast<std::uint16_t>(key.size()));
    if (piece == 0)
        piece = msg.size() + 1;
    for (std::size_t at = 0; at < msg.size(); at += piece)
        hmac_updateXL(ctx, msg.data() + at, static_cast<std::int32_t>(std::min(piece, msg.size() - at)));
    THashDigest mac;
    hmac_final(ctx, mac);
    return ToHex(mac.data(), 20);
}

class HmacTest : public CryptoPathTest {};

TEST_P(HmacTest, Rfc2202) {
    struct Case {
        Bytes key;
        Bytes msg;
        const char* mac;
    };
    Bytes key4;
    for (int i = 1; i <= 25; ++i)
        key4.push_back(static_cast<std::uint8_t>(i));
    const Case cases[] = {
        {Bytes(20, 0x0b), FromText("Hi There"), "b617318655057264e28bc0b6fb378c8ef146be00"},
        {FromText("Jefe"), FromText("what do ya want for nothing?"),
         "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79"},
        {Bytes(20, 0xaa), Bytes(50, 0xdd), "125d7342b9ac11cd91a39af48aa17b4f63f175d3"},
        {key4, Bytes(50, 0xcd), "4c9007f4026250c6bc8414f9bf50c86c2d7235da"},
        {Bytes(20, 0x0c), FromText("Test With Truncation"), "4c1a03424b55e07fe7f27be1d58bb9324a9a5a04"},
        {Bytes(80, 0xaa), FromText("Test Using Larger Than Block-Size Key - Hash Key First"),
         "aa4ae5e15272d00e95705637ce8a3b55ed402112"},
        {Bytes(80, 0xaa),
         FromText("Test Using Larger Than Block-Size Key and Larger Than One Block-Size Data"),
         "e8e99d0f45237d786d6bbaa7965c7808bbff1a91"},
    };
    int n = 1;
    for (const Case& c : cases) {
        EXPECT_EQ(HmacHex(c.key, c.msg), c.mac) << "RFC 2202 case " << n;
        EXPECT_EQ(HmacHex(c.key, c.msg, 7), c.mac) << "RFC 2202 case " << n << " in pieces";
        ++n;
    }
}

TEST_P(HmacTest, KeysOverBlockLengthAreHashedFirst) {
    const Bytes msg = FromText("message");
    for (std::size_t len : {63u, 64u, 65u, 100u}) {
        Bytes key(len);
        for (std::size_t i = 0; i < len; ++i)
            key[i] = static_cast<std::uint8_t>(i * 13 + 1);
        THashDigest kd;
        HashFullXL(&SHA1_Desc, kd, key.data(), static_cast<std::int32_t>(len));
        const Bytes hashedKey(kd.begin(), kd.begin() + 20);
        if (len > 64)
            EXPECT_EQ(HmacHex(key, msg), HmacHex(hashedKey, msg)) << len;
        else
            EXPECT_NE(HmacHex(key, msg), HmacHex(hashedKey, msg)) << len;
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, HmacTest, testing::Values(TPath::Hardware, TPath::Portable), PathName);

TEST(HmacContext, WithoutDescriptorEveryOperationDoesNothing) {
    THMAC_Context ctx;
    hmac_init(ctx, nullptr, "key", 3);
    EXPECT_EQ(ctx.phashd, nullptr);
    hmac_updateXL(ctx, "data", 4);
    THashDigest mac;
    mac.fill(0x77);
    hmac_final(ctx, mac);
    for (auto b : mac)
        ASSERT_EQ(b, 0x77);
}

} // namespace
} // namespace ks::test
