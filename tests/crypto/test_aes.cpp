// AES: FIPS 197 Appendix C in both directions, the key-length rules and the key-size check,
// on the AES instructions and on the tables.
#include <gtest/gtest.h>

#include <cstring>

#include "CryptoTestUtil.h"
#include "crypto/KSRijndael.h"

namespace ks::test {
namespace {

Bytes EncryptBlock(const Bytes& key, const Bytes& block) {
    TCipher_Rijndael c(key.data(), static_cast<std::uint16_t>(key.size()));
    Bytes b = block;
    c.Encode(b.data());
    return b;
}

class AesTest : public CryptoPathTest {};

TEST_P(AesTest, Fips197AppendixC) {
    struct Case {
        const char* key;
        int rounds;
        const char* cipher;
    };
    const Case cases[] = {
        {"000102030405060708090a0b0c0d0e0f", 10, "69c4e0d86a7b0430d8cdb78070b4c55a"},
        {"000102030405060708090a0b0c0d0e0f1011121314151617", 12, "dda97ca4864cdfe06eaf70a0ec0d7191"},
        {"000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f", 14,
         "8ea2b7ca516745bfeafc49904b496089"},
    };
    const Bytes plain = FromHex("00112233445566778899aabbccddeeff");
    for (const Case& c : cases) {
        const Bytes key = FromHex(c.key);
        TCipher_Rijndael cipher(key.data(), static_cast<std::uint16_t>(key.size()));
        EXPECT_EQ(cipher.Rounds(), c.rounds);
        Bytes b = plain;
        cipher.Encode(b.data());
        EXPECT_EQ(ToHex(b), c.cipher) << key.size() << "-byte key";
        cipher.Decode(b.data());
        EXPECT_EQ(b, plain) << key.size() << "-byte key";
    }
}

TEST_P(AesTest, DecodeInvertsEncodeForAllKeyLengths) {
    Bytes block(16);
    for (int len = 0; len <= 32; ++len) {
        Bytes key(static_cast<std::size_t>(len));
        for (int i = 0; i < len; ++i)
            key[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(37 * i + len);
        for (int i = 0; i < 16; ++i)
            block[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * len + 5);
        TCipher_Rijndael c(key.data(), static_cast<std::uint16_t>(len));
        Bytes b = block;
        c.Encode(b.data());
        EXPECT_NE(b, block) << len;
        c.Decode(b.data());
        EXPECT_EQ(b, block) << len;
    }
}

TEST_P(AesTest, ShortKeysAreZeroExtendedAndLongKeysCut) {
    const Bytes block = FromHex("00112233445566778899aabbccddeeff");
    Bytes key(40);
    for (std::size_t i = 0; i < key.size(); ++i)
        key[i] = static_cast<std::uint8_t>(0xA0 + i);
    struct Case {
        std::size_t given, extendedTo;
        int rounds;
    };
    const Case cases[] = {{5, 16, 10}, {16, 16, 10}, {17, 24, 12}, {20, 24, 12}, {25, 32, 14}, {31, 32, 14}};
    for (const Case& c : cases) {
        Bytes given(key.begin(), key.begin() + static_cast<std::ptrdiff_t>(c.given));
        Bytes extended = given;
        extended.resize(c.extendedTo, 0);
        TCipher_Rijndael cipher(given.data(), static_cast<std::uint16_t>(given.size()));
        EXPECT_EQ(cipher.Rounds(), c.rounds) << c.given;
        EXPECT_EQ(EncryptBlock(given, block), EncryptBlock(extended, block)) << c.given;
    }
    // 40 bytes: the first 32 are used, without error while the key size is not checked.
    ASSERT_FALSE(CheckCipherKeySize);
    const Bytes first32(key.begin(), key.begin() + 32);
    EXPECT_EQ(EncryptBlock(key, block), EncryptBlock(first32, block));
    TCipher_Rijndael viaInit;
    EXPECT_NO_THROW(viaInit.Init(key.data(), 40, nullptr));
    Bytes b = block;
    viaInit.Encode(b.data());
    EXPECT_EQ(b, EncryptBlock(first32, block));
}

INSTANTIATE_TEST_SUITE_P(Paths, AesTest, testing::Values(TPath::Hardware, TPath::Portable), PathName);

TEST(AesKeySize, CheckedKeyOverLimitRaisesCode2) {
    CheckCipherKeySize = true;
    TCipher_Rijndael c;
    const Bytes key(40, 1);
    try {
        c.Init(key.data(), 40, nullptr);
        ADD_FAILURE() << "no exception";
    } catch (const ECipherException& e) {
        EXPECT_EQ(e.ErrorCode, 2);
        EXPECT_STREQ(e.what(),
                     "Length from Encryptionkey is invalid.\r\nKeysize for TCipher_Rijndael must be to "
                     "0-32 bytes");
    }
    EXPECT_NO_THROW(c.Init(key.data(), 32, nullptr));
    CheckCipherKeySize = false;
}

TEST(AesContext, SizesAndSelfTest) {
    TCipher_Rijndael c;
    EXPECT_EQ(c.BufSize(), 16);
    EXPECT_EQ(c.KeySize(), 32);
    EXPECT_EQ(c.UserSize(), 480);
    EXPECT_EQ(c.Mode(), cmCTS);
    EXPECT_FALSE(c.Initialized());
    // The self-test block is a plaintext and its encryption under the key 00 01 .. 1f.
    const auto* tv = static_cast<const std::uint8_t*>(c.TestVector());
    Bytes key(32);
    for (int i = 0; i < 32; ++i)
        key[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    EXPECT_EQ(EncryptBlock(key, Bytes(tv, tv + 16)), Bytes(tv + 16, tv + 32));
}

} // namespace
} // namespace ks::test
