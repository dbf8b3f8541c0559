// SHA-1: the FIPS 180 vectors, piecewise feeding, the length count and the context rules,
// on both the hardware and the portable compression.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "CryptoTestUtil.h"
#include "crypto/KSsha1.h"

namespace ks::test {
namespace {

std::string Sha1Hex(const Bytes& msg) {
    THashDigest d;
    HashFullXL(&SHA1_Desc, d, msg.data(), static_cast<std::int32_t>(msg.size()));
    return ToHex(d.data(), 20);
}

std::string Sha1Pieces(const Bytes& msg, const std::vector<std::size_t>& sizes) {
    THashContext c;
    SHA1Init(c);
    std::size_t at = 0, k = 0;
    while (at < msg.size()) {
        const std::size_t n = std::min(sizes[k++ % sizes.size()], msg.size() - at);
        SHA1UpdateXL(c, msg.data() + at, static_cast<std::int32_t>(n));
        at += n;
    }
    THashDigest d;
    SHA1FinalEx(c, d);
    return ToHex(d.data(), 20);
}

class Sha1Test : public CryptoPathTest {};

TEST_P(Sha1Test, Fips180Vectors) {
    struct Case {
        std::string msg;
        const char* digest;
    };
    const Case cases[] = {
        {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        {std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Sha1Hex(FromText(c.msg)), c.digest) << "message of " << c.msg.size() << " bytes";
}

TEST_P(Sha1Test, PiecewiseFeedingEqualsOneCall) {
    std::mt19937 rng(7);
    for (std::size_t len : {0u, 1u, 55u, 56u, 63u, 64u, 65u, 127u, 128u, 1000u, 4099u}) {
        Bytes msg(len);
        for (auto& b : msg)
            b = static_cast<std::uint8_t>(rng());
        const std::string whole = Sha1Hex(msg);
        for (std::size_t piece : {1u, 55u, 56u, 63u, 64u, 65u})
            EXPECT_EQ(Sha1Pieces(msg, {piece}), whole) << len << " bytes in pieces of " << piece;
        for (int round = 0; round < 5; ++round) {
            std::vector<std::size_t> sizes(8);
            for (auto& s : sizes)
                s = 1 + rng() % 150;
            EXPECT_EQ(Sha1Pieces(msg, sizes), whole) << len << " bytes in random pieces";
        }
    }
}

TEST_P(Sha1Test, FinalWipesContextAndZeroFillsDigest) {
    THashContext c;
    SHA1Init(c);
    EXPECT_EQ(c.Hash[0], 0x67452301u);
    EXPECT_EQ(c.Hash[4], 0xC3D2E1F0u);
    SHA1UpdateXL(c, "abc", 3);
    EXPECT_EQ(c.Index, 3u);
    EXPECT_EQ(c.MLen[0], 24u);
    THashDigest d;
    d.fill(0xEE);
    SHA1FinalEx(c, d);
    for (std::size_t i = 20; i < d.size(); ++i)
        ASSERT_EQ(d[i], 0) << i;
    const auto* raw = reinterpret_cast<const std::uint8_t*>(&c);
    for (std::size_t i = 0; i < sizeof c; ++i)
        ASSERT_EQ(raw[i], 0) << "context byte " << i << " not wiped";
}

TEST_P(Sha1Test, NonPositiveLengthChangesNothing) {
    THashContext a, b;
    SHA1Init(a);
    SHA1Init(b);
    SHA1UpdateXL(a, "abc", 3);
    SHA1UpdateXL(b, "abc", 3);
    SHA1UpdateXL(b, "zzz", 0);
    SHA1UpdateXL(b, "zzz", -5);
    EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0);
}

TEST_P(Sha1Test, BitCountCarriesIntoHighWord) {
    THashContext c;
    SHA1Init(c);
    c.MLen[0] = 0xFFFFFFF8u;
    SHA1UpdateXL(c, "12", 2);
    EXPECT_EQ(c.MLen[0], 8u);
    EXPECT_EQ(c.MLen[1], 1u);
}

INSTANTIATE_TEST_SUITE_P(Paths, Sha1Test, testing::Values(TPath::Hardware, TPath::Portable), PathName);

TEST(Sha1Descriptor, DescribesSha1) {
    EXPECT_EQ(SHA1_Desc.HSig, C_HashSig);
    EXPECT_EQ(SHA1_Desc.HDSize, sizeof(THashDesc));
    EXPECT_EQ(SHA1_Desc.HDVersion, 65539);
    EXPECT_EQ(SHA1_Desc.HBlockLen, 64);
    EXPECT_EQ(SHA1_Desc.HDigestlen, 20);
    EXPECT_EQ(SHA1_Desc.HAlgNum, 3);
    EXPECT_EQ(SHA1_Desc.HName.View(), "SHA1");
    EXPECT_EQ(SHA1_Desc.HInit, &SHA1Init);
    EXPECT_EQ(SHA1_Desc.HUpdateXL, &SHA1UpdateXL);
    EXPECT_EQ(SHA1_Desc.HFinal, &SHA1FinalEx);
    ASSERT_EQ(SHA1_Desc.HLenOID, 6);
    const std::uint32_t oid[6] = {1, 3, 14, 3, 2, 26};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ((*SHA1_Desc.HPtrOID)[static_cast<std::size_t>(i)], oid[i]);
}

} // namespace
} // namespace ks::test
