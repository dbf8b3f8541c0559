// The primitives together as AES entries use them, checked against an archive that another
// producer (7-Zip, AES-256) encrypted with the password "secret": PBKDF2 gives the password
// verifier stored in the entry, HMAC-SHA1 over the encrypted data gives its authentication
// code, and AES-256 counter mode gives back the stored file.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "CryptoTestUtil.h"
#include "crypto/KSPBKDF_2.h"
#include "crypto/KSRijndael.h"
#include "crypto/KShmac.h"
#include "crypto/KSsha1.h"

namespace ks::test {
namespace {

struct TAesEntry {
    std::string name;
    int strength = 0; // 3 = AES-256
    int actualMethod = -1;
    Bytes payload; // salt, verifier, encrypted data, authentication code
};

std::uint32_t Le(const Bytes& d, std::size_t at, int n) {
    std::uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i)
        v = (v << 8) | d.at(at + static_cast<std::size_t>(i));
    return v;
}

// The local entries of the archive, as far as they are AES entries (method 99).
std::vector<TAesEntry> ReadAesEntries(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    const Bytes d((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    std::vector<TAesEntry> out;
    std::size_t at = 0;
    while (at + 30 <= d.size() && Le(d, at, 4) == 0x04034b50) {
        const std::uint32_t flags = Le(d, at + 6, 2), method = Le(d, at + 8, 2), size = Le(d, at + 18, 4);
        const std::uint32_t nameLen = Le(d, at + 26, 2), extraLen = Le(d, at + 28, 2);
        const std::size_t extra = at + 30 + nameLen, data = extra + extraLen;
        if (data + size > d.size())
            break;
        TAesEntry e;
        e.name.assign(d.begin() + static_cast<std::ptrdiff_t>(at + 30),
                      d.begin() + static_cast<std::ptrdiff_t>(extra));
        for (std::size_t x = extra; x + 4 <= data;) {
            const std::uint32_t id = Le(d, x, 2), len = Le(d, x + 2, 2);
            if (id == 0x9901 && len >= 7) {
                e.strength = static_cast<int>(d.at(x + 8));
                e.actualMethod = static_cast<int>(Le(d, x + 9, 2));
            }
            x += 4 + len;
        }
        e.payload.assign(d.begin() + static_cast<std::ptrdiff_t>(data),
                         d.begin() + static_cast<std::ptrdiff_t>(data + size));
        if (method == 99)
            out.push_back(std::move(e));
        at = data + size + ((flags & 8) ? 16 : 0);
    }
    return out;
}

class WinZipAesTest : public CryptoPathTest {};

TEST_P(WinZipAesTest, SevenZipAes256Entries) {
    const auto entries = ReadAesEntries(KS_AES_FIXTURE);
    ASSERT_GE(entries.size(), 2u) << KS_AES_FIXTURE;
    for (const TAesEntry& e : entries) {
        ASSERT_EQ(e.strength, 3) << e.name;
        ASSERT_GT(e.payload.size(), 16u + 2 + 10) << e.name;
        const TPBKDF2 kdf("secret", e.payload.data(), 16, 1000);
        const Bytes key = kdf.GetKeyBytes(66);
        EXPECT_EQ(key[64], e.payload[16]) << e.name << ": password verifier";
        EXPECT_EQ(key[65], e.payload[17]) << e.name << ": password verifier";

        const std::size_t dataLen = e.payload.size() - 16 - 2 - 10;
        const std::uint8_t* data = e.payload.data() + 18;
        THMAC_Context h;
        hmac_init(h, &SHA1_Desc, key.data() + 32, 32);
        hmac_updateXL(h, data, static_cast<std::int32_t>(dataLen));
        THashDigest mac;
        hmac_final(h, mac);
        EXPECT_EQ(ToHex(mac.data(), 10), ToHex(e.payload.data() + 18 + dataLen, 10))
            << e.name << ": auth code";

        if (e.actualMethod == 0) { // stored: the plaintext is the file itself
            TCipher_Rijndael aes(key.data(), 32);
            aes.SetMode(cmCTR);
            Bytes plain(data, data + dataLen);
            aes.DecodeBuffer(plain.data(), plain.data(), static_cast<std::int32_t>(plain.size()));
            EXPECT_EQ(std::string(plain.begin(), plain.end()), "Hello, Kestrel!\n") << e.name;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, WinZipAesTest, testing::Values(TPath::Hardware, TPath::Portable), PathName);

} // namespace
} // namespace ks::test
