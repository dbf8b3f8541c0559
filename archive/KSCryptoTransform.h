// KSCryptoTransform.h -- the per-entry AES transform of AE-1/AE-2 entries.
//
// An AES entry stores a salt and a two-byte password verifier in front of its (compressed and
// encrypted) data and a ten-byte authentication code behind it. Keys derive from the password
// and the salt with PBKDF2-HMAC-SHA1 (1000 iterations): the AES key, the HMAC key and the
// verifier, in that order. The data is AES in counter mode (first counter value 1, little-endian);
// the authentication code is the first ten bytes of HMAC-SHA1 over the encrypted data.
//
// One transform serves exactly one entry: create, Initialize(Decryption), GenerateKey, then
// LoadFileStorageStartBlock and CheckPassword (again for every retried password), DecryptBuffer
// over the data in order, LoadFileStorageEndBlock and IsDirItemCorrupted.
//
// Cost: a key derivation is the whole price of a small entry, so the transform derives lazily and
// at most once per password and salt. Keys derived from a throwaway random salt while decrypting
// are never computed (the start block replaces that salt before any key is used), and
// CheckPassword reuses the bytes already derived for the same password and salt.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "crypto/KSHash.h"
#include "crypto/KShmac.h"
#include "platform/KSTypes.h"

namespace ks {

class TStream;
class TPBKDF2;
class TCipher_Rijndael;
struct TDirItem;

enum TCryptoTransformMode : uint8_t { Encryption = 0, Decryption = 1 };

class TKSCryptoTransform {
public:
    virtual ~TKSCryptoTransform() = default;

    virtual void GenerateKey(const AnsiString& Password) = 0;
    virtual bool CheckPassword(const AnsiString& Password, const TDirItem* Item) = 0;
    virtual std::vector<uint8_t> GetKey() = 0;
    virtual AnsiString GetPassword() const = 0;
    // Item is not used.
    virtual void Initialize(TCryptoTransformMode Mode, const TDirItem* /*Item*/) { FTransformMode = Mode; }
    virtual void Reset() = 0;
    virtual int32_t DecryptBuffer(const void* InputBuffer, int32_t InputOffset, int32_t InputCount,
                                  void* OutputBuffer, int32_t OutputOffset) = 0;
    virtual int32_t EncryptBuffer(const void* InputBuffer, int32_t InputOffset, int32_t InputCount,
                                  void* OutputBuffer, int32_t OutputOffset) = 0;
    virtual void GetFileStorageStartBlock(TStream& Stream, int64_t Offset) = 0;
    virtual void LoadFileStorageStartBlock(TStream& Stream, int64_t Offset) = 0;
    virtual int32_t GetFileStorageStartBlockSize() const = 0;
    virtual void GetFileStorageEndBlock(TStream& Stream, int64_t Offset) = 0;
    virtual void LoadFileStorageEndBlock(TStream& Stream, int64_t Offset) = 0;
    virtual int32_t GetFileStorageEndBlockSize() const = 0;
    virtual bool IsDirItemCorrupted(const TDirItem* Item, uint32_t Crc32) = 0;
    virtual std::vector<uint8_t> GetExtraFieldData() const = 0;

    TCryptoTransformMode TransformMode() const { return FTransformMode; }

protected:
    TCryptoTransformMode FTransformMode = Encryption;
};

class TAESCryptoTransform final : public TKSCryptoTransform {
public:
    static constexpr int32_t KeyIterations = 1000;
    static constexpr int32_t AuthenticationCodeSize = 10;
    static constexpr uint16_t ExtraFieldId = 0x9901;

    // Strength in key bits (128, 192, 256); Crypt_version 1 (AE-1) or 2 (AE-2); the compression
    // method the extra field records.
    TAESCryptoTransform(int32_t Strength, uint16_t Crypt_version, uint16_t ActualCompMethod);
    ~TAESCryptoTransform() override;
    TAESCryptoTransform(const TAESCryptoTransform&) = delete;
    TAESCryptoTransform& operator=(const TAESCryptoTransform&) = delete;

    // Sets the password and the keys derived from it. While decrypting with a salt already loaded
    // the salt stays; otherwise a fresh random salt is drawn.
    void GenerateKey(const AnsiString& Password) override;
    // Whether Password gives the stored verifier with the current salt; changes no observable state.
    // A password too long to derive keys from fails the check.
    bool CheckPassword(const AnsiString& Password, const TDirItem* Item) override;
    // The AES key in use (FKeyLengthBytes bytes).
    std::vector<uint8_t> GetKey() override;
    AnsiString GetPassword() const override { return FPassword; }
    // Restarts the key stream and the authentication code with the current keys.
    void Reset() override;
    // Feeds the InputCount encrypted bytes to the HMAC, then decrypts them into OutputBuffer
    // (which may be InputBuffer). Returns InputCount.
    int32_t DecryptBuffer(const void* InputBuffer, int32_t InputOffset, int32_t InputCount,
                          void* OutputBuffer, int32_t OutputOffset) override;
    // Encrypts, then feeds the encrypted bytes to the HMAC. Returns InputCount.
    int32_t EncryptBuffer(const void* InputBuffer, int32_t InputOffset, int32_t InputCount,
                          void* OutputBuffer, int32_t OutputOffset) override;
    // Writes the salt and the verifier of the current keys after skipping Offset bytes.
    void GetFileStorageStartBlock(TStream& Stream, int64_t Offset) override;
    // Skips Offset bytes, reads the salt, takes the keys of the current password with it, then
    // reads the stored verifier (a short read raises the stream's read error).
    void LoadFileStorageStartBlock(TStream& Stream, int64_t Offset) override;
    int32_t GetFileStorageStartBlockSize() const override { return FKeyLengthBytes / 2 + 2; }
    // Ends the HMAC and writes the authentication code (nothing for AE-1).
    void GetFileStorageEndBlock(TStream& Stream, int64_t Offset) override;
    // Reads the stored authentication code (nothing for AE-1).
    void LoadFileStorageEndBlock(TStream& Stream, int64_t Offset) override;
    int32_t GetFileStorageEndBlockSize() const override {
        return FVersion == 1 ? 0 : FAuthenticationCodeSize;
    }
    // AE-1: the entry's CRC-32 differs from Crc32. Otherwise: the HMAC of the data differs from
    // the stored authentication code (or none was loaded).
    bool IsDirItemCorrupted(const TDirItem* Item, uint32_t Crc32) override;
    // The whole 0x9901 block: id, size 7, version, "AE", strength, compression method.
    std::vector<uint8_t> GetExtraFieldData() const override;

    uint16_t KeyLengthBytes() const { return FKeyLengthBytes; }
    uint16_t Version() const { return FVersion; }
    // The salt in use (empty before the first GenerateKey).
    std::vector<uint8_t> SaltValue() const;
    // Number of PBKDF2 derivations this transform has run (each costs 1000 iterations).
    int32_t DerivationCount() const { return FDerivations; }

private:
    int32_t DerivedLength() const { return 2 * FKeyLengthBytes + 2; }
    // False for passwords longer than the key derivation takes (TPBKDF2::MaxPasswordLength).
    static bool Derivable(const AnsiString& Password);
    bool DerivedFor(const AnsiString& Password) const;
    // Takes the keys of FPassword with FSaltValue (deriving only when not derived yet), starts
    // the HMAC and makes a fresh counter-mode cipher.
    void UpdateKeys();
    void EnsureKeys();

    std::unique_ptr<TPBKDF2> FKeyGenerator;
    THMAC_Context FHMAC_Context{};
    PHashDesc FPHash = nullptr;
    std::unique_ptr<TCipher_Rijndael> FCryptor;
    uint16_t FKeyLengthBytes = 0;
    std::unique_ptr<uint8_t[]> FHashKey;
    std::unique_ptr<uint8_t[]> FEncryptionKey;
    std::unique_ptr<uint8_t[]> FPasswordVerificationValue;
    std::unique_ptr<uint8_t[]> FSaltValue;
    std::unique_ptr<uint8_t[]> FAuthenticationCode;
    AnsiString FPassword;
    uint16_t FVersion = 2;
    uint16_t FActualCompressionMethod = 0;
    int32_t FAuthenticationCodeSize = AuthenticationCodeSize;

    // The last derivation: its password and salt, and all 2L+2 bytes it produced.
    bool FHaveDerived = false;
    AnsiString FDerivedPassword;
    std::vector<uint8_t> FDerivedSalt;
    std::vector<uint8_t> FDerived;
    bool FKeysPending = false; // FPassword/FSaltValue changed; keys not taken yet
    int32_t FDerivations = 0;
};

} // namespace ks
