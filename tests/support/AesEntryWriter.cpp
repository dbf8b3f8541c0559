// AesEntryWriter.cpp -- AES entry payloads made with OpenSSL's primitives.
#include "tests/support/AesEntryWriter.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <stdexcept>

namespace ks::test {

Bytes AesEncryptPayload(const std::string& Password, uint8_t Strength, std::span<const uint8_t> Compressed,
                        uint64_t Seed) {
    if (Strength < 1 || Strength > 3)
        throw std::invalid_argument("AES strength must be 1, 2 or 3");
    const size_t keyLen = 8u + 8u * Strength; // 16, 24, 32
    const size_t saltLen = keyLen / 2;
    const Bytes salt = NoiseBytes(saltLen, Seed);

    Bytes derived(2 * keyLen + 2);
    if (PKCS5_PBKDF2_HMAC_SHA1(Password.data(), static_cast<int>(Password.size()), salt.data(),
                               static_cast<int>(saltLen), 1000, static_cast<int>(derived.size()),
                               derived.data()) != 1)
        throw std::runtime_error("PBKDF2 failed");

    // Counter mode by hand: ECB over the counter blocks 1, 2, 3, ... (little-endian).
    const EVP_CIPHER* ecb = keyLen == 16   ? EVP_aes_128_ecb()
                            : keyLen == 24 ? EVP_aes_192_ecb()
                                           : EVP_aes_256_ecb();
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    EVP_EncryptInit_ex(ctx, ecb, nullptr, derived.data(), nullptr);
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    Bytes encrypted(Compressed.begin(), Compressed.end());
    uint8_t counter[16] = {};
    uint8_t stream[16];
    for (size_t pos = 0; pos < encrypted.size(); pos += 16) {
        for (int i = 0; i < 16 && ++counter[i] == 0; ++i) {
        }
        int outLen = 0;
        EVP_EncryptUpdate(ctx, stream, &outLen, counter, 16);
        for (size_t k = 0; k < 16 && pos + k < encrypted.size(); ++k)
            encrypted[pos + k] ^= stream[k];
    }
    EVP_CIPHER_CTX_free(ctx);

    unsigned int macLen = 0;
    uint8_t mac[EVP_MAX_MD_SIZE];
    HMAC(EVP_sha1(), derived.data() + keyLen, static_cast<int>(keyLen), encrypted.data(), encrypted.size(),
         mac, &macLen);

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
