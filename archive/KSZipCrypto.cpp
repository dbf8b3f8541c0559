// KSZipCrypto.cpp -- the traditional ZIP stream cipher.
//
// The key updates run on 32-bit registers; the stored keys are kept in 0..2^32-1 so that the
// state never depends on how wide the host's arithmetic is.
#include "archive/KSZipCrypto.h"

#include "archive/KSCRC32.h"
#include "platform/KSStreams.h"

namespace ks {

namespace {

// The working registers of a key state, and back.
struct TRegs {
    uint32_t k0, k1, k2;
};

inline TRegs Load(const TZipKey& Key) {
    return {static_cast<uint32_t>(Key.Key[0]), static_cast<uint32_t>(Key.Key[1]),
            static_cast<uint32_t>(Key.Key[2])};
}

inline void Store(const TRegs& R, TZipKey& Key) {
    Key.Key[0] = R.k0;
    Key.Key[1] = R.k1;
    Key.Key[2] = R.k2;
}

inline void Update(TRegs& R, uint8_t Symbol) {
    R.k0 = UpdCRC(Symbol, R.k0);
    R.k1 = (R.k1 + (R.k0 & 0xFFu)) * 134775813u + 1u;
    R.k2 = UpdCRC(static_cast<uint8_t>(R.k1 >> 24), R.k2);
}

inline uint8_t StreamByte(const TRegs& R) {
    const uint16_t temp = static_cast<uint16_t>(R.k2 | 2u);
    return static_cast<uint8_t>((static_cast<uint32_t>(temp) * (temp ^ 1u)) >> 8);
}

} // namespace

void ZipUpdateKeys(uint8_t Symbol, TZipKey& Key) {
    TRegs r = Load(Key);
    Update(r, Symbol);
    Store(r, Key);
}

uint8_t ZipDecryptByte(const TZipKey& Key) {
    return StreamByte(Load(Key));
}

void ZipDecryptBuffer(void* Buffer, std::size_t Size, TZipKey& Key) {
    auto* p = static_cast<uint8_t*>(Buffer);
    TRegs r = Load(Key);
    for (std::size_t i = 0; i < Size; ++i) {
        const uint8_t plain = static_cast<uint8_t>(p[i] ^ StreamByte(r));
        p[i] = plain;
        Update(r, plain);
    }
    Store(r, Key);
}

void ZipKeyInit(const AnsiString& Password, TZipKey& Key, TZipKeyHeader& KeyHeader) {
    TRegs r{KSZipKeyInit0, KSZipKeyInit1, KSZipKeyInit2};
    for (const char c : Password)
        Update(r, static_cast<uint8_t>(c));
    Store(r, Key);
    ZipDecryptBuffer(KeyHeader.Bytes, KSZipKeyHeaderSize, Key);
}

uint8_t ZipCheckByte(uint16_t GenPurposeFlag, uint16_t LastModTime, uint32_t Crc32) {
    if (GenPurposeFlag & 0x0008u)
        return static_cast<uint8_t>(LastModTime >> 8);
    return static_cast<uint8_t>(Crc32 >> 24);
}

bool ZipInitPassword(TStream& rfs, const AnsiString& FPassword, uint16_t GenPurposeFlag, uint16_t LastModTime,
                     uint32_t Crc32, TZipKey& FKey) {
    TZipKeyHeader header;
    rfs.ReadBuffer(header.Bytes, KSZipKeyHeaderSize);
    ZipKeyInit(FPassword, FKey, header);
    return header.Bytes[KSZipKeyHeaderSize - 1] == ZipCheckByte(GenPurposeFlag, LastModTime, Crc32);
}

} // namespace ks
