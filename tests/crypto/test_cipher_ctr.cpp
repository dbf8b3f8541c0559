// The cipher framework: counter mode (key stream, splitting, the counter wrap), set-up and
// wiping, the error cases with their messages, and the protection chain.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "CryptoTestUtil.h"
#include "crypto/KSRijndael.h"

namespace ks::test {
namespace {

const Bytes Key256 = FromHex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");

// Exposes the counter block, which only a derived cipher may set.
class CounterCipher : public TCipher_Rijndael {
public:
    using TCipher_Rijndael::TCipher_Rijndael;
    void SetNonce(const Bytes& n) { std::memcpy(ctrMode_Nonce.get(), n.data(), 16); }
};

std::unique_ptr<CounterCipher> NewCtr(const Bytes& key = Key256) {
    auto c = std::make_unique<CounterCipher>(key.data(), static_cast<std::uint16_t>(key.size()));
    c->SetMode(cmCTR);
    return c;
}

Bytes Pattern(std::size_t n) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return b;
}

// Encodes data in calls of the given sizes (repeated cyclically).
Bytes EncodeInPieces(const Bytes& data, const std::vector<std::size_t>& sizes) {
    auto c = NewCtr();
    Bytes out(data.size());
    std::size_t at = 0, k = 0;
    while (at < data.size()) {
        const std::size_t n = std::min(sizes[k++ % sizes.size()], data.size() - at);
        c->EncodeBuffer(data.data() + at, out.data() + at, static_cast<std::int32_t>(n));
        at += n;
    }
    return out;
}

class CtrTest : public CryptoPathTest {};

TEST_P(CtrTest, FirstKeyStreamBlockIsCounterOne) {
    auto c = NewCtr();
    Bytes zeros(16, 0), ks(16);
    c->EncodeBuffer(zeros.data(), ks.data(), 16);
    Bytes one(16, 0);
    one[0] = 1;
    auto plain = NewCtr();
    plain->Encode(one.data());
    EXPECT_EQ(ks, one);
    EXPECT_EQ(ToHex(c->CtrNonce(), 16), "01000000000000000000000000000000");
    EXPECT_EQ(c->CtrPosition(), 16);
}

TEST_P(CtrTest, SplitCallsEqualOneCall) {
    for (std::size_t len : {100u, 16u, 15u, 17u, 1000u, 4099u}) {
        const Bytes data = Pattern(len);
        const Bytes whole = EncodeInPieces(data, {len});
        for (const auto& sizes : std::vector<std::vector<std::size_t>>{
                 {1}, {15}, {16}, {17}, {51}, {1, 15, 16, 17, 51}, {33, 2, 129, 7}, {160, 1}})
            EXPECT_EQ(EncodeInPieces(data, sizes), whole) << len << " bytes, first piece " << sizes[0];
    }
}

TEST_P(CtrTest, DecodingIsTheSameOperationInPlace) {
    const Bytes data = Pattern(333);
    Bytes buf = data;
    NewCtr()->EncodeBuffer(buf.data(), buf.data(), 333);
    EXPECT_NE(buf, data);
    EXPECT_EQ(buf, EncodeInPieces(data, {333}));
    auto d = NewCtr();
    d->DecodeBuffer(buf.data(), buf.data(), 100);
    d->DecodeBuffer(buf.data() + 100, buf.data() + 100, 233);
    EXPECT_EQ(buf, data);
}

TEST_P(CtrTest, CounterWrapsInItsLowEightBytesOnly) {
    struct Case {
        const char* before;
        const char* after;
    };
    const Case cases[] = {
        {"ffffffffffffffff0123456789abcdef", "00000000000000000123456789abcdef"},
        {"ffff00000000000000000000000000ff", "000001000000000000000000000000ff"},
        {"fe00000000000000ffffffffffffffff", "ff00000000000000ffffffffffffffff"},
    };
    for (const Case& c : cases) {
        auto cipher = NewCtr();
        cipher->SetNonce(FromHex(c.before));
        Bytes ks(16, 0);
        cipher->EncodeBuffer(ks.data(), ks.data(), 16);
        const Bytes after = FromHex(c.after);
        EXPECT_EQ(ToHex(cipher->CtrNonce(), 16), ToHex(after.data(), 16)) << c.before;
        Bytes expect(after.begin(), after.begin() + 16);
        NewCtr()->Encode(expect.data());
        EXPECT_EQ(ks, expect) << c.before;
    }
}

TEST_P(CtrTest, PositionAndCounterRunOnAcrossCalls) {
    auto c = NewCtr();
    Bytes buf(5, 0);
    c->EncodeBuffer(buf.data(), buf.data(), 5);
    EXPECT_EQ(c->CtrPosition(), 5);
    Bytes more(40, 0);
    c->EncodeBuffer(more.data(), more.data(), 40);
    EXPECT_EQ(c->CtrPosition(), 13);
    EXPECT_EQ(c->CtrNonce()[0], 3);
    c->Done(); // ends a message but not the key stream
    EXPECT_EQ(c->CtrPosition(), 13);
}

TEST_P(CtrTest, NewKeyRestartsTheKeyStream) {
    // A cipher used mid-block and then given another key codes like a fresh cipher with that key.
    const Bytes otherKey = FromHex("000102030405060708090a0b0c0d0e0f");
    auto used = NewCtr();
    Bytes buf = Pattern(21);
    used->EncodeBuffer(buf.data(), buf.data(), 21);
    used->InitKey(otherKey.data(), 16, nullptr);
    Bytes a = Pattern(40), b = Pattern(40);
    used->EncodeBuffer(a.data(), a.data(), 40);
    NewCtr(otherKey)->EncodeBuffer(b.data(), b.data(), 40);
    EXPECT_EQ(a, b);
}

INSTANTIATE_TEST_SUITE_P(Paths, CtrTest, testing::Values(TPath::Hardware, TPath::Portable), PathName);

TEST(CipherErrors, CodingWithoutKeyRaisesCode3) {
    TCipher_Rijndael aes;
    TCipher base;
    struct Case {
        TCipher* cipher;
        bool encode;
        const char* msg;
    };
    const Case cases[] = {
        {&aes, true, "TCipher_Rijndael is not initialized call Init() or InitKey() before."},
        {&aes, false, "TCipher_Rijndael is not initialized call Init() or InitKey() before."},
        {&base, true, "TCipher is not initialized call Init() or InitKey() before."},
    };
    for (const Case& c : cases) {
        c.cipher->SetMode(cmCTR);
        Bytes buf(8);
        try {
            if (c.encode)
                c.cipher->EncodeBuffer(buf.data(), buf.data(), 8);
            else
                c.cipher->DecodeBuffer(buf.data(), buf.data(), 8);
            ADD_FAILURE() << "no exception: " << c.msg;
        } catch (const ECipherException& e) {
            EXPECT_EQ(e.ErrorCode, 3);
            EXPECT_STREQ(e.what(), c.msg);
        }
    }
}

TEST(CipherErrors, ModesOtherThanCounterAreRefused) {
    for (TCipherMode m : {cmCTS, cmCBC, cmCFB, cmOFB, cmECB, cmCTSMAC, cmCBCMAC, cmCFBMAC}) {
        TCipher_Rijndael c(Key256.data(), 32);
        c.SetMode(m);
        Bytes buf = Pattern(32), orig = buf;
        try {
            c.EncodeBuffer(buf.data(), buf.data(), 32);
            ADD_FAILURE() << "mode " << m << " accepted";
        } catch (const ECipherException& e) {
            EXPECT_EQ(e.ErrorCode, errModeNotSupported);
        }
        EXPECT_EQ(buf, orig) << "mode " << m;
    }
}

TEST(CipherSetup, InitKeyProtectAndVector) {
    TCipher_Rijndael c(Key256.data(), 32);
    EXPECT_TRUE(c.Initialized());
    EXPECT_TRUE(c.HasHashKey());
    // Without an initialisation vector the vector is the encryption of sixteen 0xFF bytes.
    Bytes ff(16, 0xFF);
    c.Encode(ff.data());
    EXPECT_EQ(Bytes(c.Vector(), c.Vector() + 16), ff);
    EXPECT_EQ(Bytes(c.Feedback(), c.Feedback() + 16), ff);
    const Bytes iv = Pattern(16);
    c.Init(Key256.data(), 32, iv.data());
    EXPECT_EQ(Bytes(c.Vector(), c.Vector() + 16), iv);
    EXPECT_TRUE(c.Initialized());
    c.Protect();
    EXPECT_FALSE(c.Initialized());
    EXPECT_FALSE(c.HasHashKey());
    EXPECT_EQ(Bytes(c.Vector(), c.Vector() + 16), Bytes(16, 0xFF));
    EXPECT_EQ(Bytes(c.User(), c.User() + c.UserSize()), Bytes(480, 0));
}

// A protection that adds a constant to every byte, to see the chain order.
class AddProtection : public TProtection {
public:
    AddProtection(std::uint8_t v, bool* destroyed, TProtection* next = nullptr)
        : TProtection(next), v_(v), destroyed_(destroyed) {}
    ~AddProtection() override { *destroyed_ = true; }
    void CodeBuf(void* b, std::int32_t n, TPAction a) override {
        auto* p = static_cast<std::uint8_t*>(b);
        if (a == paDecode)
            TProtection::CodeBuf(b, n, a);
        for (std::int32_t i = 0; i < n; ++i)
            p[i] = static_cast<std::uint8_t>(a == paEncode ? p[i] + v_ : p[i] - v_);
        if (a == paEncode)
            TProtection::CodeBuf(b, n, a);
    }

private:
    std::uint8_t v_;
    bool* destroyed_;
};

TEST(Protection, ChainAndReferenceCounting) {
    bool innerGone = false, outerGone = false;
    auto* inner = new AddProtection(1, &innerGone);
    auto* outer = new AddProtection(2, &outerGone, inner);
    outer->AddRef();
    EXPECT_EQ(outer->CodeString("abc", paEncode), "def");
    EXPECT_EQ(outer->CodeString("def", paDecode), "abc");
    EXPECT_EQ(outer->Release(), 0);
    EXPECT_TRUE(outerGone);
    EXPECT_TRUE(innerGone) << "the chained protection goes with its last reference";
}

TEST(Protection, CipherCodesStringsAndStreams) {
    const std::string text = "The quick brown fox jumps over the lazy dog, twice over.";
    TCipher_Rijndael enc(Key256.data(), 32), dec(Key256.data(), 32);
    enc.SetMode(cmCTR);
    dec.SetMode(cmCTR);
    const std::string coded = enc.CodeString(text, paEncode);
    EXPECT_NE(coded, text);
    std::istringstream in(coded);
    std::ostringstream out;
    dec.CodeStream(in, out, -1, paDecode);
    EXPECT_EQ(out.str(), text);
}

} // namespace
} // namespace ks::test
