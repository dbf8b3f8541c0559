// AesEntryWriter.cpp -- AES entry payloads made with OpenSSL's primitives (libgcrypt's in the
// Windows cross-build, for which Debian has no OpenSSL).
#include "tests/support/AesEntryWriter.h"

#ifdef _WIN32
#include <gcrypt.h>
#else
#include <openssl/evp.h>
#include <openssl/hmac.h>
#endif

#include <algorithm>
#include <stdexcept>

namespace ks::test {

namespace {

#ifdef _WIN32
bool Pbkdf2HmacSha1(const std::string& Password, const Bytes& Salt, Bytes& Out) {
    gcry_check_version(nullptr);
    return gcry_kdf_derive(Password.data(), Password.size(), GCRY_KDF_PBKDF2, GCRY_MD_SHA1, Salt.data(),
                           Salt.size(), 1000, Out.size(), Out.data()) == 0;
}

class TAesEcb {
public:
    TAesEcb(const uint8_t* Key, size_t KeyLen) {
        const int Algo = KeyLen == 16 ? GCRY_CIPHER_AES128 : KeyLen == 24 ? GCRY_CIPHER_AES192 : GCRY_CIPHER_AES256;
        if (gcry_cipher_open(&FHandle, Algo, GCRY_CIPHER_MODE_ECB, 0) != 0 ||
            gcry_cipher_setkey(FHandle, Key, KeyLen) != 0)
            throw std::runtime_error("AES key setup failed");
    }
    ~TAesEcb() { gcry_cipher_close(FHandle); }
    void Block(const uint8_t* In, uint8_t* Out) { gcry_cipher_encrypt(FHandle, Out, 16, In, 16); }

private:
    gcry_cipher_hd_t FHandle = nullptr;
};

void HmacSha1(const uint8_t* Key, size_t KeyLen, const Bytes& Data, uint8_t* Mac) {
    gcry_md_hd_t Md = nullptr;
    if (gcry_md_open(&Md, GCRY_MD_SHA1, GCRY_MD_FLAG_HMAC) != 0 || gcry_md_setkey(Md, Key, KeyLen) != 0)
        throw std::runtime_error("HMAC setup failed");
    gcry_md_write(Md, Data.data(), Data.size());
    const unsigned char* R = gcry_md_read(Md, GCRY_MD_SHA1);
    std::copy(R, R + 20, Mac);
    gcry_md_close(Md);
}
#else
bool Pbkdf2HmacSha1(const std::string& Password, const Bytes& Salt, Bytes& Out) {
    return PKCS5_PBKDF2_HMAC_SHA1(Password.data(), static_cast<int>(Password.size()), Salt.data(),
                                  static_cast<int>(Salt.size()), 1000, static_cast<int>(Out.size()),
                                  Out.data()) == 1;
}

class TAesEcb {
public:
    TAesEcb(const uint8_t* Key, size_t KeyLen) {
        const EVP_CIPHER* ecb = KeyLen == 16   ? EVP_aes_128_ecb()
                                : KeyLen == 24 ? EVP_aes_192_ecb()
                                               : EVP_aes_256_ecb();
        FCtx = EVP_CIPHER_CTX_new();
        EVP_EncryptInit_ex(FCtx, ecb, nullptr, Key, nullptr);
        EVP_CIPHER_CTX_set_padding(FCtx, 0);
    }
    ~TAesEcb() { EVP_CIPHER_CTX_free(FCtx); }
    void Block(const uint8_t* In, uint8_t* Out) {
        int outLen = 0;
        EVP_EncryptUpdate(FCtx, Out, &outLen, In, 16);
    }

private:
    EVP_CIPHER_CTX* FCtx = nullptr;
};

void HmacSha1(const uint8_t* Key, size_t KeyLen, const Bytes& Data, uint8_t* Mac) {
    unsigned int macLen = 0;
    HMAC(EVP_sha1(), Key, static_cast<int>(KeyLen), Data.data(), Data.size(), Mac, &macLen);
}
#endif

} // namespace

Bytes AesEncryptPayload(const std::string& Password, uint8_t Strength, std::span<const uint8_t> Compressed,
                        uint64_t Seed) {
    if (Strength < 1 || Strength > 3)
        throw std::invalid_argument("AES strength must be 1, 2 or 3");
    const size_t keyLen = 8u + 8u * Strength; // 16, 24, 32
    const size_t saltLen = keyLen / 2;
    const Bytes salt = NoiseBytes(saltLen, Seed);

    Bytes derived(2 * keyLen + 2);
    if (!Pbkdf2HmacSha1(Password, salt, derived))
        throw std::runtime_error("PBKDF2 failed");

    // Counter mode by hand: ECB over the counter blocks 1, 2, 3, ... (little-endian).
    Bytes encrypted(Compressed.begin(), Compressed.end());
    {
        TAesEcb ecb(derived.data(), keyLen);
        uint8_t counter[16] = {};
        uint8_t stream[16];
        for (size_t pos = 0; pos < encrypted.size(); pos += 16) {
            for (int i = 0; i < 16 && ++counter[i] == 0; ++i) {
            }
            ecb.Block(counter, stream);
            for (size_t k = 0; k < 16 && pos + k < encrypted.size(); ++k)
                encrypted[pos + k] ^= stream[k];
        }
    }

    uint8_t mac[20];
    HmacSha1(derived.data() + keyLen, keyLen, encrypted, mac);

    Bytes out = salt;
    out.push_back(derived[2 * keyLen]);
    out.push_back(derived[2 * keyLen + 1]);
    out.insert(out.end(), encrypted.begin(), encrypted.end());
    out.insert(out.end(), mac, mac + 10);
    return out;
}

PayloadTransform AesPayload(std::string Password, uint8_t Strength, uint64_t Seed) {
    return [Password = std::move(Password), Strength, Seed](const EntryInfo&,
                                                            std::span<const uint8_t> Compressed) {
        return AesEncryptPayload(Password, Strength, Compressed, Seed);
    };
}

} // namespace ks::test
