// KSPBKDF_2.h -- TPBKDF2: one password, salt and iteration count from which key bytes derive.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/KSException.h"
#include "platform/KSTypes.h"

namespace ks {

// Raised for arguments outside what a derivation can represent: a password longer than
// TPBKDF2::MaxPasswordLength bytes, a salt longer than 65535 bytes, or a key length outside 0..65535.
class EPBKDF2Error : public Exception {
public:
    using Exception::Exception;
};

class TPBKDF2 {
public:
    static constexpr std::size_t MaxPasswordLength = 32767;
    static constexpr int MaxSaltLength = 65535;
    static constexpr int MaxKeyLength = 65535;

    // A fresh random salt of SaltSize bytes, each in 0..254 (see KSRandom.h for the source).
    TPBKDF2(const AnsiString& Password, int SaltSize, int Iterations);
    // A copy of SaltLength bytes of Salt.
    TPBKDF2(const AnsiString& Password, const void* Salt, int SaltLength, int Iterations);
    virtual ~TPBKDF2();

    TPBKDF2(const TPBKDF2&) = delete;
    TPBKDF2& operator=(const TPBKDF2&) = delete;

    // The first Cb bytes of PBKDF2-HMAC-SHA1(password, salt, iterations), in a new buffer that
    // the caller owns. Equal Cb give equal bytes.
    void GetKeyBytes(int Cb, std::unique_ptr<std::uint8_t[]>& Key) const;
    std::vector<std::uint8_t> GetKeyBytes(int Cb) const;

    // A new copy of the salt (FSaltLength bytes), owned by the caller.
    std::unique_ptr<std::uint8_t[]> GetSaltValue() const;

    int SaltLength() const { return FSaltLength; }
    int IterationNumber() const { return FIterationNumber; }

protected:
    // Called at the end of both constructors; does nothing here.
    void Initialize();

private:
    void Derive(int Cb, std::uint8_t* Out) const;

    std::int32_t FIterationNumber;
    std::unique_ptr<std::uint8_t[]> FSaltValue;
    std::int32_t FSaltLength;
    AnsiString FPassword;
};

} // namespace ks
