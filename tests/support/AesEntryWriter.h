// AesEntryWriter.h -- AES entry payloads for the test ZIP writer, made with OpenSSL.
//
// The payload is what a conformant AE writer stores: salt (8/12/16 bytes by strength), the
// two-byte password verifier, the compressed data encrypted with AES in counter mode (16-byte
// little-endian counter starting at 1) and the first ten bytes of HMAC-SHA1 over the encrypted
// data; keys are PBKDF2-HMAC-SHA1 (1000 iterations) of password and salt: AES key, HMAC key,
// verifier. OpenSSL supplies every primitive, so the engine's own crypto is not mirrored here.
//
//     w.AddFile("a.txt", data, {.aes = ks::test::AesOptions{.strength = 1},
//                               .transform = ks::test::AesPayload("secret", 1)});
#pragma once

#include <cstdint>
#include <string>

#include "tests/support/ZipWriter.h"

namespace ks::test {

// Strength 1, 2 or 3 (AES-128/192/256). The salt comes from Seed, so fixtures are reproducible.
PayloadTransform AesPayload(std::string Password, uint8_t Strength, uint64_t Seed = 0xA55A);

// The same payload for Compressed directly (for tests that place the bytes themselves).
Bytes AesEncryptPayload(const std::string& Password, uint8_t Strength, std::span<const uint8_t> Compressed,
                        uint64_t Seed = 0xA55A);

} // namespace ks::test
