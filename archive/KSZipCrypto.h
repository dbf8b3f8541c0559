// KSZipCrypto.h -- the traditional ZIP stream cipher (decryption only) and its 12-byte header.
//
// The cipher state is three 32-bit keys advanced by every plain byte. An encrypted entry's data
// starts with a 12-byte header encrypted under the password; its last byte, once decrypted,
// must equal a check byte taken from the entry's local header. Passwords are byte strings used
// byte for byte (no code-page conversion, no terminator).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/KSTypes.h"

namespace ks {

class TStream;

// Three keys in the order key 0, key 1, key 2. Each holds a value in 0..2^32-1 (the upper half
// of the 64-bit field is always zero).
struct TZipKey {
    int64_t Key[3] = {0, 0, 0};
};

inline constexpr std::size_t KSZipKeyHeaderSize = 12;

// The encryption header in front of an entry's data.
struct TZipKeyHeader {
    uint8_t Bytes[KSZipKeyHeaderSize] = {};
};

// The initial keys of every password.
inline constexpr uint32_t KSZipKeyInit0 = 0x12345678u;
inline constexpr uint32_t KSZipKeyInit1 = 0x23456789u;
inline constexpr uint32_t KSZipKeyInit2 = 0x34567890u;

// Advances the keys with one plain byte.
void ZipUpdateKeys(uint8_t Symbol, TZipKey& Key);
// The next key-stream byte; the keys do not change.
uint8_t ZipDecryptByte(const TZipKey& Key);
// Decrypts Size bytes at the start of Buffer in place.
void ZipDecryptBuffer(void* Buffer, std::size_t Size, TZipKey& Key);
// Sets the initial keys, feeds every byte of Password, then decrypts the 12 header bytes in place.
void ZipKeyInit(const AnsiString& Password, TZipKey& Key, TZipKeyHeader& KeyHeader);

// The byte that a sound header ends with: the high byte of the modification time when flag bit 3
// is set (the CRC is not known before the data was written), else the high byte of the CRC-32.
uint8_t ZipCheckByte(uint16_t GenPurposeFlag, uint16_t LastModTime, uint32_t Crc32);

// Reads the 12-byte header at Stream's position (a short read raises the stream's read error),
// initialises FKey from Password and checks the decrypted header's last byte against the entry's
// check byte (GenPurposeFlag, LastModTime and Crc32 are those of the local header). Afterwards
// the stream stands after the header and FKey holds the key state for the entry's data.
bool ZipInitPassword(TStream& rfs, const AnsiString& FPassword, uint16_t GenPurposeFlag, uint16_t LastModTime,
                     uint32_t Crc32, TZipKey& FKey);

} // namespace ks
