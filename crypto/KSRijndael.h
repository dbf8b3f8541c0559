// KSRijndael.h -- TCipher_Rijndael: AES (FIPS 197), 16-byte blocks, keys of up to 32 bytes.
//
// Key lengths: up to 16 bytes give AES-128, 17..24 bytes AES-192 and 25..32 bytes AES-256;
// a shorter key is extended with zero bytes to that length (a 20-byte key is AES-192 with four
// zero bytes appended). Longer keys are cut to 32 bytes, or refused by Init while
// CheckCipherKeySize is true.
#pragma once

#include "crypto/KSCipher.h"

namespace ks {

class TCipher_Rijndael : public TCipher {
public:
    explicit TCipher_Rijndael(const void* Key = nullptr, std::uint16_t keyLength = 0);
    ~TCipher_Rijndael() override;

    void GetContext(std::int32_t& ABufSize, std::int32_t& AKeySize, std::int32_t& AUserSize) const override;
    const void* TestVector() const override;
    void Encode(void* Data) override;
    void Decode(void* Data) override;
    void Init(const void* Key, std::int32_t Size, const void* IVector) override;
    const char* ClassName() const override { return "TCipher_Rijndael"; }

    int Rounds() const { return FRounds; }

protected:
    void CtrBlocks(std::uint8_t* Nonce, std::uint8_t* Data, std::size_t Blocks,
                   std::uint8_t* LastKeyStream) override;

private:
    int FRounds = 10;
};

} // namespace ks
