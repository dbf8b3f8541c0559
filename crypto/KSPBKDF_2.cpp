// KSPBKDF_2.cpp -- TPBKDF2.
#include "crypto/KSPBKDF_2.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "crypto/KSRandom.h"
#include "crypto/KSpb_kdf.h"

namespace ks {

namespace {

void CheckPassword(const AnsiString& Password) {
    // Longer passwords would not fit the 16-bit length of the derivation; cutting them would
    // silently derive the key of a different password.
    if (Password.size() > TPBKDF2::MaxPasswordLength)
        throw EPBKDF2Error("PBKDF2: the password is " + std::to_string(Password.size()) +
                           " bytes long; at most " + std::to_string(TPBKDF2::MaxPasswordLength) +
                           " bytes are supported");
}

void CheckSaltLength(int SaltLength) {
    if (SaltLength < 0 || SaltLength > TPBKDF2::MaxSaltLength)
        throw EPBKDF2Error("PBKDF2: invalid salt length " + std::to_string(SaltLength) + " (0.." +
                           std::to_string(TPBKDF2::MaxSaltLength) + " bytes)");
}

// Checked before the key buffer is allocated: the derivation writes at most 65535 bytes.
std::size_t CheckedKeyLength(int Cb) {
    if (Cb < 0 || Cb > TPBKDF2::MaxKeyLength)
        throw EPBKDF2Error("PBKDF2: invalid key length " + std::to_string(Cb) + " (0.." +
                           std::to_string(TPBKDF2::MaxKeyLength) + " bytes)");
    return static_cast<std::size_t>(Cb);
}

} // namespace

TPBKDF2::TPBKDF2(const AnsiString& Password, int SaltSize, int Iterations)
    : FIterationNumber(Iterations), FSaltLength(SaltSize), FPassword(Password) {
    CheckPassword(Password);
    CheckSaltLength(SaltSize);
    FSaltValue = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(SaltSize));
    for (int i = 0; i < SaltSize; ++i)
        FSaltValue[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(RandomBelow(255));
    Initialize();
}

TPBKDF2::TPBKDF2(const AnsiString& Password, const void* Salt, int SaltLength, int Iterations)
    : FIterationNumber(Iterations), FSaltLength(SaltLength), FPassword(Password) {
    CheckPassword(Password);
    CheckSaltLength(SaltLength);
    if (Salt == nullptr && SaltLength > 0)
        throw EPBKDF2Error("PBKDF2: no salt given for a salt length of " + std::to_string(SaltLength));
    FSaltValue = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(SaltLength));
    if (SaltLength > 0)
        std::memcpy(FSaltValue.get(), Salt, static_cast<std::size_t>(SaltLength));
    Initialize();
}

TPBKDF2::~TPBKDF2() {
    if (FSaltValue)
        std::memset(FSaltValue.get(), 0, static_cast<std::size_t>(FSaltLength));
    std::fill(FPassword.begin(), FPassword.end(), '\0');
}

void TPBKDF2::Initialize() {}

void TPBKDF2::Derive(int Cb, std::uint8_t* Out) const {
    PBKDF2(FPassword.data(), static_cast<std::uint16_t>(FPassword.size()), FSaltValue.get(),
           static_cast<std::uint16_t>(FSaltLength), FIterationNumber, Out, static_cast<std::uint16_t>(Cb));
}

void TPBKDF2::GetKeyBytes(int Cb, std::unique_ptr<std::uint8_t[]>& Key) const {
    auto buffer = std::make_unique<std::uint8_t[]>(CheckedKeyLength(Cb));
    Derive(Cb, buffer.get());
    Key = std::move(buffer);
}

std::vector<std::uint8_t> TPBKDF2::GetKeyBytes(int Cb) const {
    std::vector<std::uint8_t> key(CheckedKeyLength(Cb));
    Derive(Cb, key.data());
    return key;
}

std::unique_ptr<std::uint8_t[]> TPBKDF2::GetSaltValue() const {
    auto copy = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(FSaltLength));
    if (FSaltLength > 0)
        std::memcpy(copy.get(), FSaltValue.get(), static_cast<std::size_t>(FSaltLength));
    return copy;
}

} // namespace ks
