// KSAesCore.h -- AES (FIPS 197) block operations on expanded key schedules (crypto-internal).
//
// A schedule is Rounds + 1 round keys of 16 bytes each, in the byte order of FIPS 197. The
// decryption schedule is the equivalent-inverse-cipher form: the encryption round keys with
// InvMixColumns applied to all but the first and the last, used from the last to the first.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ks::aescore {

inline constexpr int MaxRounds = 14;
inline constexpr std::size_t ScheduleBytes = 16 * (MaxRounds + 1); // 240

// Expands Key (Nk = Rounds - 6 words) into Enc and derives Dec.
void ExpandKey(const std::uint8_t* Key, int Rounds, std::uint8_t* Enc, std::uint8_t* Dec);

void EncryptTable(const std::uint8_t* Enc, int Rounds, const std::uint8_t* In, std::uint8_t* Out);
void DecryptTable(const std::uint8_t* Dec, int Rounds, const std::uint8_t* In, std::uint8_t* Out);
void EncryptAesNi(const std::uint8_t* Enc, int Rounds, const std::uint8_t* In, std::uint8_t* Out);
void DecryptAesNi(const std::uint8_t* Dec, int Rounds, const std::uint8_t* In, std::uint8_t* Out);

// Counter mode over whole blocks: for each block, the 64-bit little-endian counter in bytes
// 0..7 of Nonce is incremented (bytes 8..15 unchanged), encrypted and XORed into Data. The
// last key-stream block is written to LastKeyStream.
void CtrTable(const std::uint8_t* Enc, int Rounds, std::uint8_t* Nonce, std::uint8_t* Data,
              std::size_t Blocks, std::uint8_t* LastKeyStream);
void CtrAesNi(const std::uint8_t* Enc, int Rounds, std::uint8_t* Nonce, std::uint8_t* Data,
              std::size_t Blocks, std::uint8_t* LastKeyStream);

} // namespace ks::aescore
