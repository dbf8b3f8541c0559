// KSRijndael.cpp -- TCipher_Rijndael: key set-up and block operations, with the AES
// instructions when selected and the table code otherwise.
#include "crypto/KSRijndael.h"

#include <cstring>

#include "crypto/KSAesCore.h"
#include "crypto/KSCpuDispatch.h"

namespace ks {

namespace {

// FIPS 197 Appendix C.3: plaintext, then its encryption under the key 00 01 .. 1f.
const std::uint8_t RijndaelTestVector[32] = {
    0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0xff,
    0x8e, 0xa2, 0xb7, 0xca, 0x51, 0x67, 0x45, 0xbf, 0xea, 0xfc, 0x49, 0x90, 0x4b, 0x49, 0x60, 0x89,
};

} // namespace

TCipher_Rijndael::TCipher_Rijndael(const void* Key, std::uint16_t keyLength) : TCipher(TDeferSetup{}) {
    Setup(Key, keyLength);
}

TCipher_Rijndael::~TCipher_Rijndael() = default;

void TCipher_Rijndael::GetContext(std::int32_t& ABufSize, std::int32_t& AKeySize,
                                  std::int32_t& AUserSize) const {
    ABufSize = 16;
    AKeySize = 32;
    AUserSize = static_cast<std::int32_t>(2 * aescore::ScheduleBytes);
}

const void* TCipher_Rijndael::TestVector() const {
    return RijndaelTestVector;
}

void TCipher_Rijndael::Init(const void* Key, std::int32_t Size, const void* IVector) {
    Size = InitBegin(Size);
    FRounds = Size <= 16 ? 10 : (Size > 24 ? 14 : 12);
    std::uint8_t work[32] = {};
    if (Size > 0 && Key != nullptr)
        std::memcpy(work, Key, static_cast<std::size_t>(Size));
    aescore::ExpandKey(work, FRounds, UserData(), UserData() + aescore::ScheduleBytes);
    std::memset(work, 0, sizeof work);
    InitEnd(IVector);
}

void TCipher_Rijndael::Encode(void* Data) {
    auto* p = static_cast<std::uint8_t*>(Data);
    if (cpudispatch::UseAesNi)
        aescore::EncryptAesNi(UserData(), FRounds, p, p);
    else
        aescore::EncryptTable(UserData(), FRounds, p, p);
}

void TCipher_Rijndael::Decode(void* Data) {
    auto* p = static_cast<std::uint8_t*>(Data);
    const std::uint8_t* dec = UserData() + aescore::ScheduleBytes;
    if (cpudispatch::UseAesNi)
        aescore::DecryptAesNi(dec, FRounds, p, p);
    else
        aescore::DecryptTable(dec, FRounds, p, p);
}

void TCipher_Rijndael::CtrBlocks(std::uint8_t* Nonce, std::uint8_t* Data, std::size_t Blocks,
                                 std::uint8_t* LastKeyStream) {
    if (cpudispatch::UseAesNi)
        aescore::CtrAesNi(UserData(), FRounds, Nonce, Data, Blocks, LastKeyStream);
    else
        aescore::CtrTable(UserData(), FRounds, Nonce, Data, Blocks, LastKeyStream);
}

} // namespace ks
