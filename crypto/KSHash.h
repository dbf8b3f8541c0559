// KSHash.h -- the hash framework: algorithm numbers, descriptors, contexts and the registry.
//
// Each hash algorithm is described by one constant descriptor record owned by its module and
// registered under its algorithm number. Callers look descriptors up by number or by name and
// drive the algorithm only through the descriptor's three operations.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace ks {

enum THashAlgorithm : std::int32_t {
    _MD4,
    _MD5,
    _RIPEMD160,
    _SHA1,
    _SHA224,
    _SHA256,
    _SHA384,
    _SHA512,
    _Whirlpool,
};

inline constexpr THashAlgorithm C_MinHash = _MD4;
inline constexpr THashAlgorithm C_MaxHash = _Whirlpool;

inline constexpr std::uint16_t C_HashSig = 0x3D7A;
inline constexpr std::int32_t C_HashVers = 0x10003;
inline constexpr int MaxBlockLen = 128;
inline constexpr int MaxDigestLen = 64;
inline constexpr int MaxStateLen = 16;
inline constexpr int MaxOIDLen = 9;
inline constexpr int MaxHashNameLen = 19;

using THashState = std::array<std::uint32_t, MaxStateLen>;
using THashBuffer = std::array<std::uint8_t, MaxBlockLen>;

// The working state of one hash computation; every algorithm uses the parts it needs.
struct THashContext {
    THashState Hash;       // chaining state words
    std::uint32_t MLen[4]; // message length in bits, least significant word first
    THashBuffer Buffer;    // bytes of the block being collected
    std::uint32_t Index;   // number of bytes waiting in Buffer
};

// A digest occupies the first HDigestlen bytes; the rest is zero.
using THashDigest = std::array<std::uint8_t, MaxDigestLen>;

// At most 19 characters, as in the descriptor record.
struct THashName {
    std::uint8_t Len;
    char Chars[MaxHashNameLen];

    std::string_view View() const { return std::string_view(Chars, Len <= MaxHashNameLen ? Len : 0); }
};

using THashOID = std::array<std::uint32_t, MaxOIDLen>;

using HashInitProc = void (*)(THashContext& Context);
using HashFinalProc = void (*)(THashContext& Context, THashDigest& Digest);
using HashUpdateXLProc = void (*)(THashContext& Context, const void* Msg, std::int32_t Len);

struct THashDesc {
    std::uint16_t HSig;
    std::uint16_t HDSize;
    std::int32_t HDVersion;
    std::uint16_t HBlockLen;
    std::uint16_t HDigestlen;
    HashInitProc HInit;
    HashFinalProc HFinal;
    HashUpdateXLProc HUpdateXL;
    std::int32_t HAlgNum;
    THashName HName;
    const THashOID* HPtrOID;
    std::uint16_t HLenOID;
    std::uint8_t HReserved[14];
};

using PHashDesc = const THashDesc*;

// One slot per algorithm number. Built-in algorithms are registered before the first lookup;
// the table is only read after start-up (tests may save, clear and restore it).
extern std::array<PHashDesc, C_MaxHash + 1> PHashVec;

// Stores PHash in slot AlgId when the descriptor is present, valid and numbered AlgId;
// otherwise does nothing.
void RegisterHash(THashAlgorithm AlgId, PHashDesc PHash);

// The registered descriptor for AlgoID, or nullptr.
PHashDesc FindHash_by_ID(std::int32_t AlgoID);

// The first registered descriptor whose name equals AlgoName ignoring ASCII case, or nullptr.
// Only the first 19 characters of AlgoName take part.
PHashDesc FindHash_by_Name(std::string_view AlgoName);

// Hashes Len bytes of Msg in one call; does nothing when PHash is nullptr or not a descriptor.
void HashFullXL(PHashDesc PHash, THashDigest& Digest, const void* Msg, std::int32_t Len);

} // namespace ks
