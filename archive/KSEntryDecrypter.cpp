// KSEntryDecrypter.cpp -- chooses and runs the decrypter of an encrypted item.
//
// Items below the non-ZIP version limit whose directory entry names an AES strength get the AES
// transform (always read as AE-2: the authentication code decides, the CRC-32 is not compared);
// every other encrypted item gets the traditional cipher, whose verdict is the CRC-32.
#include <memory>

#include "archive/KSBaseArchiver.h"
#include "archive/KSCryptoTransform.h"
#include "archive/KSDecompress.h"
#include "archive/KSDirArray.h"
#include "archive/KSZipCrypto.h"

namespace ks {

namespace {

class TZipCryptoDecrypter final : public TKSEntryDecrypter {
public:
    explicit TZipCryptoDecrypter(const TKSZipFileHeader& LocalHeader) : FLocal(LocalHeader) {}

    int64_t Overhead() const override { return static_cast<int64_t>(KSZipKeyHeaderSize); }
    bool CheckPassword(TStream& Stream, const AnsiString& Password) override {
        return ZipInitPassword(Stream, Password, FLocal.genPurposeFlag, FLocal.lastModTime, FLocal.crc32,
                               FKey);
    }
    void PasswordChanged(const AnsiString&) override {}
    void DecryptBuffer(uint8_t* Buffer, int64_t Count) override {
        ZipDecryptBuffer(Buffer, static_cast<size_t>(Count), FKey);
    }
    bool HasAuthenticationCode() const override { return false; }
    bool IsSound(TStream&, uint32_t) override { return true; }

private:
    TKSZipFileHeader FLocal;
    TZipKey FKey;
};

class TAesDecrypter final : public TKSEntryDecrypter {
public:
    TAesDecrypter(const TDirItem& Item, const AnsiString& Password)
        : FItem(Item), FTransform(KeyBits(Item.KSEncryptionAlgorithm), 2, Item.CompressionMethod) {
        FTransform.Initialize(Decryption, &FItem);
        FTransform.GenerateKey(Password);
    }

    int64_t Overhead() const override {
        return FTransform.GetFileStorageStartBlockSize() + FTransform.GetFileStorageEndBlockSize();
    }
    bool CheckPassword(TStream& Stream, const AnsiString& Password) override {
        FTransform.LoadFileStorageStartBlock(Stream, 0);
        return FTransform.CheckPassword(Password, &FItem);
    }
    void PasswordChanged(const AnsiString& Password) override { FTransform.GenerateKey(Password); }
    void DecryptBuffer(uint8_t* Buffer, int64_t Count) override {
        // Blocks are at most DefaultMaxBlockSize bytes; larger spans go in pieces.
        while (Count > 0) {
            const int32_t n = static_cast<int32_t>(Count > DefaultMaxBlockSize ? DefaultMaxBlockSize : Count);
            FTransform.DecryptBuffer(Buffer, 0, n, Buffer, 0);
            Buffer += n;
            Count -= n;
        }
    }
    bool HasAuthenticationCode() const override { return true; }
    bool IsSound(TStream& Stream, uint32_t Crc32) override {
        FTransform.LoadFileStorageEndBlock(Stream, 0);
        return !FTransform.IsDirItemCorrupted(&FItem, Crc32);
    }

private:
    static int32_t KeyBits(TKSCryptoAlgorithm A) {
        switch (A) {
        case caAES_128:
            return 128;
        case caAES_192:
            return 192;
        default:
            return 256;
        }
    }

    const TDirItem& FItem;
    TAESCryptoTransform FTransform;
};

} // namespace

std::unique_ptr<TKSEntryDecrypter> KSCreateEntryDecrypter(TKSBaseArchiver& Arc, const TDirItem& Item,
                                                          const TKSZipFileHeader& LocalHeader) {
    const bool aes = Item.CentralDir.extractVersion < KSAesExtractVersionLimit &&
                     Item.KSEncryptionAlgorithm != caPkzipClassic;
    if (aes)
        return std::make_unique<TAesDecrypter>(Item, Arc.Password());
    return std::make_unique<TZipCryptoDecrypter>(LocalHeader);
}

} // namespace ks
