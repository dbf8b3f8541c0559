// Random inputs checked against independent implementations (Python's hashlib/hmac for SHA-1,
// HMAC and PBKDF2; OpenSSL's AES for the counter-mode key streams). The vectors and the script
// that made them are in vectors/.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "CryptoTestUtil.h"
#include "crypto/KSPBKDF_2.h"
#include "crypto/KSRijndael.h"
#include "crypto/KShmac.h"
#include "crypto/KSsha1.h"

namespace ks::test {
namespace {

std::vector<std::vector<std::string>> Vectors(const std::string& kind) {
    std::ifstream f(KS_CRYPTO_ORACLE_VECTORS);
    std::vector<std::vector<std::string>> rows;
    std::string line;
    while (std::getline(f, line)) {
        std::istringstream s(line);
        std::vector<std::string> fields;
        for (std::string w; s >> w;)
            fields.push_back(w);
        if (!fields.empty() && fields[0] == kind)
            rows.push_back(fields);
    }
    return rows;
}

class CounterCipher : public TCipher_Rijndael {
public:
    using TCipher_Rijndael::TCipher_Rijndael;
    void SetNonce(const Bytes& n) { std::memcpy(ctrMode_Nonce.get(), n.data(), 16); }
};

class OracleTest : public CryptoPathTest {};

TEST_P(OracleTest, Sha1) {
    const auto rows = Vectors("sha1");
    ASSERT_GE(rows.size(), 10u);
    for (const auto& r : rows) {
        const Bytes m = FromHex(r[1]);
        THashDigest d;
        HashFullXL(&SHA1_Desc, d, m.data(), static_cast<std::int32_t>(m.size()));
        EXPECT_EQ(ToHex(d.data(), 20), r[2]) << m.size() << " bytes";
    }
}

TEST_P(OracleTest, HmacSha1) {
    const auto rows = Vectors("hmac");
    ASSERT_GE(rows.size(), 5u);
    for (const auto& r : rows) {
        const Bytes k = FromHex(r[1]), m = FromHex(r[2]);
        THMAC_Context ctx;
        hmac_init(ctx, &SHA1_Desc, k.data(), static_cast<std::uint16_t>(k.size()));
        hmac_updateXL(ctx, m.data(), static_cast<std::int32_t>(m.size()));
        THashDigest mac;
        hmac_final(ctx, mac);
        EXPECT_EQ(ToHex(mac.data(), 20), r[3]) << k.size() << "-byte key";
    }
}

TEST_P(OracleTest, Pbkdf2ThroughTPBKDF2) {
    const auto rows = Vectors("pbkdf2");
    ASSERT_GE(rows.size(), 5u);
    for (const auto& r : rows) {
        const Bytes p = FromHex(r[1]), s = FromHex(r[2]);
        const TPBKDF2 k(AnsiString(p.begin(), p.end()), s.data(), static_cast<int>(s.size()),
                        std::stoi(r[3]));
        EXPECT_EQ(ToHex(k.GetKeyBytes(std::stoi(r[4]))), r[5]) << p.size() << "-byte password, " << r[3];
    }
}

TEST_P(OracleTest, AesCounterModeKeyStream) {
    const auto rows = Vectors("aesctr");
    ASSERT_GE(rows.size(), 3u);
    for (const auto& r : rows) {
        const Bytes key = FromHex(r[1]), nonce = FromHex(r[2]), stream = FromHex(r[4]);
        CounterCipher c(key.data(), static_cast<std::uint16_t>(key.size()));
        c.SetMode(cmCTR);
        c.SetNonce(nonce);
        Bytes out(stream.size(), 0);
        // Uneven pieces cross block boundaries and use the bulk path in between.
        std::size_t at = 0;
        for (std::size_t piece = 1; at < out.size(); piece = piece * 3 % 257 + 1) {
            const std::size_t n = std::min(piece, out.size() - at);
            c.EncodeBuffer(out.data() + at, out.data() + at, static_cast<std::int32_t>(n));
            at += n;
        }
        EXPECT_EQ(ToHex(out), r[4]) << key.size() << "-byte key from counter " << r[2];
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, OracleTest, testing::Values(TPath::Hardware, TPath::Portable), PathName);

} // namespace
} // namespace ks::test
