// PBKDF2-HMAC-SHA1: RFC 6070, output prefixes, the generic-descriptor path, kdf2's error
// results and PBKDF2's error policy.
#include <gtest/gtest.h>

#include <cstring>

#include "CryptoTestUtil.h"
#include "crypto/KSpb_kdf.h"
#include "crypto/KSsha1.h"

namespace ks::test {
namespace {

Bytes Derive(const Bytes& pw, const Bytes& salt, std::int32_t c, std::uint16_t dkLen) {
    Bytes dk(dkLen);
    PBKDF2(pw.data(), static_cast<std::uint16_t>(pw.size()), salt.data(),
           static_cast<std::uint16_t>(salt.size()), c, dk.data(), dkLen);
    return dk;
}

// SHA-1 behind wrapper operations: kdf2 cannot recognise it and takes its general path.
void WrapInit(THashContext& c) {
    SHA1Init(c);
}
void WrapFinal(THashContext& c, THashDigest& d) {
    SHA1FinalEx(c, d);
}
void WrapUpdate(THashContext& c, const void* m, std::int32_t n) {
    SHA1UpdateXL(c, m, n);
}

THashDesc WrappedSha1() {
    THashDesc d = SHA1_Desc;
    d.HInit = &WrapInit;
    d.HFinal = &WrapFinal;
    d.HUpdateXL = &WrapUpdate;
    return d;
}

class Pbkdf2Test : public CryptoPathTest {};

TEST_P(Pbkdf2Test, Rfc6070) {
    struct Case {
        std::string pw, salt;
        std::int32_t c;
        const char* dk;
    };
    const Case cases[] = {
        {"password", "salt", 1, "0c60c80f961f0e71f3a9b524af6012062fe037a6"},
        {"password", "salt", 2, "ea6c014dc72d6f8ccd1ed92ace1d41f0d8de8957"},
        {"password", "salt", 4096, "4b007901b765489abead49d926f721d065a429c1"},
        {"passwordPASSWORDpassword", "saltSALTsaltSALTsaltSALTsaltSALTsalt", 4096,
         "3d2eec4fe41c849b80c8d83662c0e44a8b291a964cf2f07038"},
        {std::string("pass\0word", 9), std::string("sa\0lt", 5), 4096, "56fa6aa75548099dcc37d7f03425e0c3"},
    };
    for (const Case& c : cases) {
        const Bytes want = FromHex(c.dk);
        EXPECT_EQ(
            ToHex(Derive(FromText(c.pw), FromText(c.salt), c.c, static_cast<std::uint16_t>(want.size()))),
            c.dk)
            << c.pw << " / " << c.c;
    }
}

TEST_P(Pbkdf2Test, ShorterOutputsArePrefixesOfLongerOnes) {
    const Bytes pw = FromText("secret"), salt = FromHex("0011223344556677");
    const Bytes longest = Derive(pw, salt, 1000, 66);
    for (std::uint16_t len : {1, 19, 20, 21, 34, 40, 41, 50, 60, 61})
        EXPECT_EQ(Derive(pw, salt, 1000, len), Bytes(longest.begin(), longest.begin() + len)) << len;
}

TEST_P(Pbkdf2Test, GeneralDescriptorPathGivesTheSameBytes) {
    const THashDesc wrapped = WrappedSha1();
    const Bytes pw = FromText("correct horse"), salt = FromText("battery staple");
    // 5200 bytes need 260 blocks: the block counter carries into its third byte.
    for (std::uint16_t len : {20, 66, 85, 5200}) {
        for (std::int32_t c : {1, 2, 3, 17}) {
            Bytes general(len), fast(len);
            ASSERT_EQ(kdf2(&wrapped, pw.data(), static_cast<std::uint16_t>(pw.size()), salt.data(),
                           static_cast<std::uint16_t>(salt.size()), c, general.data(), len),
                      0);
            ASSERT_EQ(kdf2(&SHA1_Desc, pw.data(), static_cast<std::uint16_t>(pw.size()), salt.data(),
                           static_cast<std::uint16_t>(salt.size()), c, fast.data(), len),
                      0);
            EXPECT_EQ(general, fast) << len << " bytes, " << c << " iterations";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, Pbkdf2Test, testing::Values(TPath::Hardware, TPath::Portable), PathName);

TEST(Kdf2, ErrorResultsWriteNothing) {
    THashDesc noDigest = SHA1_Desc;
    noDigest.HDigestlen = 0;
    THashDesc hugeDigest = SHA1_Desc;
    hugeDigest.HDigestlen = 200;
    struct Case {
        const char* what;
        PHashDesc phash;
        const void* pw;
        std::uint16_t pLen;
        const void* salt;
        std::uint16_t sLen;
        bool nullDk;
        int result;
    };
    const Case cases[] = {
        {"no descriptor", nullptr, "pw", 2, "s", 1, false, kdf_err_nil_pointer},
        {"digest length 0", &noDigest, "pw", 2, "s", 1, false, kdf_err_digestlen},
        {"digest longer than the digest area", &hugeDigest, "pw", 2, "s", 1, false, kdf_err_digestlen},
        {"no password buffer", &SHA1_Desc, nullptr, 2, "s", 1, false, kdf_err_nil_pointer},
        {"no salt buffer", &SHA1_Desc, "pw", 2, nullptr, 1, false, kdf_err_nil_pointer},
        {"no output buffer", &SHA1_Desc, "pw", 2, "s", 1, true, kdf_err_nil_pointer},
    };
    for (const Case& c : cases) {
        Bytes dk(30, 0xC3);
        EXPECT_EQ(kdf2(c.phash, c.pw, c.pLen, c.salt, c.sLen, 10, c.nullDk ? nullptr : dk.data(), 30),
                  c.result)
            << c.what;
        EXPECT_EQ(dk, Bytes(30, 0xC3)) << c.what;
    }
}

TEST(Kdf2, ZeroLengthsAndIterations) {
    Bytes dk(30, 0xC3);
    EXPECT_EQ(kdf2(&SHA1_Desc, "pw", 2, "s", 1, 10, dk.data(), 0), 0);
    EXPECT_EQ(dk, Bytes(30, 0xC3)) << "dkLen 0 writes nothing";
    for (std::int32_t c : {0, -1}) {
        EXPECT_EQ(kdf2(&SHA1_Desc, "pw", 2, "s", 1, c, dk.data(), 30), 0);
        EXPECT_EQ(dk, Bytes(30, 0)) << "no iterations leave the accumulator zero, c = " << c;
    }
    // Null buffers with zero lengths are an empty password and an empty salt.
    Bytes a(20), b(20);
    EXPECT_EQ(kdf2(&SHA1_Desc, nullptr, 0, nullptr, 0, 3, a.data(), 20), 0);
    EXPECT_EQ(kdf2(&SHA1_Desc, "", 0, "", 0, 3, b.data(), 20), 0);
    EXPECT_EQ(a, b);
}

class Pbkdf2ErrorPolicy : public testing::Test {
protected:
    void SetUp() override { saved_ = PHashVec; }
    void TearDown() override {
        PHashVec = saved_;
        HaltOnError = true;
    }

private:
    decltype(PHashVec) saved_{};
};

TEST_F(Pbkdf2ErrorPolicy, FailedDerivationRaises254WhileHaltOnError) {
    PHashVec.fill(nullptr);
    Bytes dk(20, 0x11);
    EXPECT_TRUE(HaltOnError);
    try {
        PBKDF2("pw", 2, "salt", 4, 1, dk.data(), 20);
        FAIL() << "no exception";
    } catch (const ERunTimeError& e) {
        EXPECT_EQ(e.ErrorCode, 254);
    }
    HaltOnError = false;
    EXPECT_NO_THROW(PBKDF2("pw", 2, "salt", 4, 1, dk.data(), 20));
    EXPECT_EQ(dk, Bytes(20, 0x11));
}

} // namespace
} // namespace ks::test
