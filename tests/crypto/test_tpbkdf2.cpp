// TPBKDF2: key bytes, salt copies, generated salts and the limits of its arguments.
#include <gtest/gtest.h>

#include <array>

#include "CryptoTestUtil.h"
#include "crypto/KSPBKDF_2.h"
#include "crypto/KSRandom.h"
#include "crypto/KSpb_kdf.h"

namespace ks::test {
namespace {

Bytes Reference(const AnsiString& pw, const Bytes& salt, int c, int len) {
    Bytes dk(static_cast<std::size_t>(len));
    PBKDF2(pw.data(), static_cast<std::uint16_t>(pw.size()), salt.data(),
           static_cast<std::uint16_t>(salt.size()), c, dk.data(), static_cast<std::uint16_t>(len));
    return dk;
}

TEST(TPBKDF2, KeyBytesAreThePbkdf2Output) {
    const Bytes salt = FromHex("a1b2c3d4e5f60718");
    const TPBKDF2 k("password", salt.data(), static_cast<int>(salt.size()), 1000);
    for (int cb : {0, 20, 34, 50, 66}) {
        const Bytes want = Reference("password", salt, 1000, cb);
        EXPECT_EQ(k.GetKeyBytes(cb), want) << cb;
        std::unique_ptr<std::uint8_t[]> key;
        k.GetKeyBytes(cb, key);
        ASSERT_NE(key, nullptr);
        EXPECT_EQ(Bytes(key.get(), key.get() + cb), want) << cb;
    }
    EXPECT_EQ(k.GetKeyBytes(66), k.GetKeyBytes(66));
}

TEST(TPBKDF2, EmptyPasswordIsAnEmptyHmacKey) {
    const Bytes salt = FromText("salt");
    const TPBKDF2 k("", salt.data(), 4, 5);
    Bytes want(40);
    PBKDF2(nullptr, 0, salt.data(), 4, 5, want.data(), 40);
    EXPECT_EQ(k.GetKeyBytes(40), want);
}

TEST(TPBKDF2, SaltIsCopiedInAndOut) {
    Bytes salt = FromHex("00ff10ef");
    const TPBKDF2 k("pw", salt.data(), 4, 1);
    salt[0] = 0x99; // the object keeps its own copy
    const auto copy = k.GetSaltValue();
    EXPECT_EQ(Bytes(copy.get(), copy.get() + 4), FromHex("00ff10ef"));
    EXPECT_NE(copy.get(), k.GetSaltValue().get());
    EXPECT_EQ(k.SaltLength(), 4);
}

// Installs a scripted random source for one test.
class ScriptedRandom {
public:
    explicit ScriptedRandom(std::vector<std::uint32_t> values) {
        saved_ = SetRandomSource(
            [v = std::move(values), i = std::size_t(0)]() mutable { return v[i++ % v.size()]; });
    }
    ~ScriptedRandom() { SetRandomSource(saved_); }

private:
    TKSRandomSource saved_;
};

TEST(TPBKDF2, GeneratedSaltNeverHoldsFF) {
    {
        // Raw draws whose plain low byte would be 0xFF.
        ScriptedRandom r({0xFFu, 0x1FFu, 0xFFFFFFFEu, 0xFFFFFFFFu, 254u, 255u * 7 + 3});
        const TPBKDF2 k("pw", 600, 1);
        const auto salt = k.GetSaltValue();
        for (int i = 0; i < 600; ++i)
            ASSERT_LE(salt[static_cast<std::size_t>(i)], 254) << i;
    }
    // The default source: every value 0..254 occurs, 255 never.
    const TPBKDF2 k("pw", 60000, 1);
    const auto salt = k.GetSaltValue();
    std::array<int, 256> seen{};
    for (int i = 0; i < 60000; ++i)
        ++seen[salt[static_cast<std::size_t>(i)]];
    EXPECT_EQ(seen[255], 0);
    for (int v = 0; v < 255; ++v)
        EXPECT_GT(seen[static_cast<std::size_t>(v)], 0) << v;
}

TEST(TPBKDF2, ArgumentsOutsideTheContractAreRefused) {
    const std::uint8_t salt[4] = {1, 2, 3, 4};
    EXPECT_NO_THROW(TPBKDF2(AnsiString(TPBKDF2::MaxPasswordLength, 'p'), salt, 4, 1));
    EXPECT_THROW(TPBKDF2(AnsiString(TPBKDF2::MaxPasswordLength + 1, 'p'), salt, 4, 1), EPBKDF2Error);
    EXPECT_THROW(TPBKDF2(AnsiString(70000, 'p'), 8, 1), EPBKDF2Error);
    EXPECT_THROW(TPBKDF2("pw", -1, 1), EPBKDF2Error);
    EXPECT_THROW(TPBKDF2("pw", 65536, 1), EPBKDF2Error);
    EXPECT_THROW(TPBKDF2("pw", nullptr, 4, 1), EPBKDF2Error);
    const TPBKDF2 k("pw", salt, 4, 1);
    EXPECT_THROW(k.GetKeyBytes(-1), EPBKDF2Error);
    EXPECT_THROW(k.GetKeyBytes(65536), EPBKDF2Error);
    EXPECT_EQ(k.GetKeyBytes(65535).size(), 65535u);
    try {
        TPBKDF2(AnsiString(40000, 'p'), salt, 4, 1);
    } catch (const EPBKDF2Error& e) {
        EXPECT_NE(std::string(e.what()).find("32767"), std::string::npos) << e.what();
    }
}

} // namespace
} // namespace ks::test
