// The hash registry: lookups by number and by name, the checks of RegisterHash, and the
// one-call hash refusing missing or foreign descriptors.
#include <gtest/gtest.h>

#include <cstring>

#include "CryptoTestUtil.h"
#include "crypto/KSsha1.h"

namespace ks::test {
namespace {

// Saves the registry and puts it back, so tests may change it.
class HashRegistryTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(FindHash_by_ID(_SHA1), &SHA1_Desc);
        saved_ = PHashVec;
    }
    void TearDown() override { PHashVec = saved_; }

    static THashDesc Named(THashAlgorithm alg, const char* name) {
        THashDesc d = SHA1_Desc;
        d.HAlgNum = alg;
        d.HName.Len = static_cast<std::uint8_t>(std::strlen(name));
        std::memcpy(d.HName.Chars, name, d.HName.Len);
        return d;
    }

private:
    decltype(PHashVec) saved_{};
};

TEST_F(HashRegistryTest, FindByIdHasOnlySha1) {
    for (std::int32_t id = -2; id <= 12; ++id)
        EXPECT_EQ(FindHash_by_ID(id), id == 3 ? &SHA1_Desc : nullptr) << "id " << id;
}

TEST_F(HashRegistryTest, FindByNameIgnoresCase) {
    for (const char* name : {"SHA1", "sha1", "Sha1", "sHA1"})
        EXPECT_EQ(FindHash_by_Name(name), &SHA1_Desc) << name;
    for (const char* name : {"", "SHA", "SHA-1", "SHA11", "SHA256", "MD5", "Whirlpool", " SHA1"})
        EXPECT_EQ(FindHash_by_Name(name), nullptr) << name;
}

TEST_F(HashRegistryTest, FindByNameComparesFirst19Characters) {
    const THashDesc d = Named(_SHA256, "ABCDEFGHIJKLMNOPQRS");
    RegisterHash(_SHA256, &d);
    EXPECT_EQ(FindHash_by_Name("abcdefghijklmnopqrs"), &d);
    EXPECT_EQ(FindHash_by_Name("abcdefghijklmnopqrsTUVW"), &d);
    EXPECT_EQ(FindHash_by_Name("abcdefghijklmnopqr"), nullptr);
}

TEST_F(HashRegistryTest, EmptyRegistryFindsNothing) {
    PHashVec.fill(nullptr);
    EXPECT_EQ(FindHash_by_ID(_SHA1), nullptr);
    EXPECT_EQ(FindHash_by_Name("SHA1"), nullptr);
}

TEST_F(HashRegistryTest, RegisterRefusesInvalidDescriptors) {
    struct Case {
        const char* what;
        void (*spoil)(THashDesc&);
    };
    const Case cases[] = {
        {"wrong algorithm number", [](THashDesc& d) { d.HAlgNum = _MD5; }},
        {"wrong signature", [](THashDesc& d) { d.HSig = 0x1234; }},
        {"wrong version", [](THashDesc& d) { d.HDVersion = C_HashVers + 1; }},
        {"wrong record size", [](THashDesc& d) { d.HDSize = sizeof(THashDesc) - 1; }},
    };
    for (const Case& c : cases) {
        THashDesc d = Named(_SHA256, "X");
        c.spoil(d);
        RegisterHash(_SHA256, &d);
        EXPECT_EQ(PHashVec[_SHA256], nullptr) << c.what;
    }
    RegisterHash(_SHA256, nullptr);
    EXPECT_EQ(PHashVec[_SHA256], nullptr);
    RegisterHash(static_cast<THashAlgorithm>(9), &SHA1_Desc);
    EXPECT_EQ(FindHash_by_ID(_SHA1), &SHA1_Desc);
}

TEST_F(HashRegistryTest, LookupsRejectSpoiledSlot) {
    // A slot that holds a descriptor with another number or signature is treated as empty.
    THashDesc wrongNumber = SHA1_Desc;
    wrongNumber.HAlgNum = _MD4;
    PHashVec[_SHA1] = &wrongNumber;
    EXPECT_EQ(FindHash_by_ID(_SHA1), nullptr);
    EXPECT_EQ(FindHash_by_Name("SHA1"), nullptr);
    THashDesc wrongSig = SHA1_Desc;
    wrongSig.HSig = 0;
    PHashVec[_SHA1] = &wrongSig;
    EXPECT_EQ(FindHash_by_ID(_SHA1), nullptr);
    EXPECT_EQ(FindHash_by_Name("SHA1"), nullptr);
}

TEST(HashFullXL, IgnoresMissingOrForeignDescriptor) {
    THashDigest d;
    d.fill(0x5A);
    HashFullXL(nullptr, d, "abc", 3);
    THashDesc foreign = SHA1_Desc;
    foreign.HSig = 0;
    HashFullXL(&foreign, d, "abc", 3);
    for (auto b : d)
        ASSERT_EQ(b, 0x5A);
    HashFullXL(&SHA1_Desc, d, "abc", 3);
    EXPECT_EQ(ToHex(d.data(), 20), "a9993e364706816aba3e25717850c26c9cd0d89d");
}

} // namespace
} // namespace ks::test
