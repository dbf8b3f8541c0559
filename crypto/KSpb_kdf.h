// KSpb_kdf.h -- PBKDF2 (RFC 2898 section 5.2) with HMAC over a hash descriptor.
#pragma once

#include <cstdint>

#include "crypto/KSHash.h"
#include "platform/KSException.h"

namespace ks {

inline constexpr int kdf_err_nil_pointer = 1; // no descriptor, or a buffer missing for a non-zero length
inline constexpr int kdf_err_digestlen = 2;   // the descriptor's digest length is 0 or unusable

// Raised by PBKDF2 for a failed derivation while HaltOnError is true. ErrorCode is 254.
class ERunTimeError : public Exception {
public:
    explicit ERunTimeError(int Code);
    int ErrorCode;
};

// Governs PBKDF2: true (the initial value) turns a failed derivation into ERunTimeError(254),
// false ignores it.
extern bool HaltOnError;

// Writes dkLen bytes of PBKDF2 with HMAC over phash to DK and returns 0, or returns
// kdf_err_nil_pointer / kdf_err_digestlen without writing anything. C <= 0 derives zero bytes
// (the XOR of no HMAC outputs).
int kdf2(PHashDesc phash, const void* pPW, std::uint16_t pLen, const void* salt, std::uint16_t sLen,
         std::int32_t C, void* DK, std::uint16_t dkLen);

// kdf2 with the registered SHA-1 descriptor: PBKDF2-HMAC-SHA1.
void PBKDF2(const void* pPW, std::uint16_t pLen, const void* salt, std::uint16_t sLen, std::int32_t C,
            void* DK, std::uint16_t dkLen);

} // namespace ks
