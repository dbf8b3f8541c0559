// KSCryptoTransform.cpp -- the AES transform of AE-1/AE-2 entries.
#include "archive/KSCryptoTransform.h"

#include <cmath>
#include <cstring>

#include "archive/KSDirArray.h"
#include "crypto/KSCipher.h"
#include "crypto/KSPBKDF_2.h"
#include "crypto/KSRijndael.h"
#include "platform/KSException.h"
#include "platform/KSStreams.h"

namespace ks {

namespace {

std::unique_ptr<uint8_t[]> CopyOf(const uint8_t* Data, size_t Size) {
    auto p = std::make_unique<uint8_t[]>(Size);
    if (Size > 0)
        std::memcpy(p.get(), Data, Size);
    return p;
}

void Skip(TStream& Stream, int64_t Offset) {
    if (Offset != 0)
        Stream.Seek(Offset, TSeekOrigin::soCurrent);
}

} // namespace

TAESCryptoTransform::TAESCryptoTransform(int32_t Strength, uint16_t Crypt_version, uint16_t ActualCompMethod)
    : FPHash(FindHash_by_Name("SHA1")),
      FKeyLengthBytes(static_cast<uint16_t>(std::lround(static_cast<double>(Strength) / 8.0))),
      FVersion(Crypt_version), FActualCompressionMethod(ActualCompMethod) {}

TAESCryptoTransform::~TAESCryptoTransform() {
    // Key material does not outlive the entry in memory.
    const size_t L = FKeyLengthBytes;
    if (FEncryptionKey)
        std::memset(FEncryptionKey.get(), 0, L);
    if (FHashKey)
        std::memset(FHashKey.get(), 0, L);
    if (!FDerived.empty())
        std::memset(FDerived.data(), 0, FDerived.size());
    std::memset(&FHMAC_Context, 0, sizeof(FHMAC_Context));
}

bool TAESCryptoTransform::DerivedFor(const AnsiString& Password) const {
    const size_t saltLen = FKeyLengthBytes / 2u;
    return FHaveDerived && FSaltValue && FDerivedPassword == Password && FDerivedSalt.size() == saltLen &&
           std::memcmp(FDerivedSalt.data(), FSaltValue.get(), saltLen) == 0;
}

void TAESCryptoTransform::UpdateKeys() {
    const size_t L = FKeyLengthBytes;
    const int32_t saltLen = static_cast<int32_t>(L / 2);
    if (!DerivedFor(FPassword)) {
        FKeyGenerator = std::make_unique<TPBKDF2>(FPassword, FSaltValue.get(), saltLen, KeyIterations);
        FDerived = FKeyGenerator->GetKeyBytes(DerivedLength());
        ++FDerivations;
        FHaveDerived = true;
        FDerivedPassword = FPassword;
        FDerivedSalt.assign(FSaltValue.get(), FSaltValue.get() + saltLen);
    }
    FEncryptionKey = CopyOf(FDerived.data(), L);
    FHashKey = CopyOf(FDerived.data() + L, L);
    FPasswordVerificationValue = CopyOf(FDerived.data() + 2 * L, 2);
    hmac_init(FHMAC_Context, FPHash, FHashKey.get(), static_cast<uint16_t>(L));
    FCryptor = std::make_unique<TCipher_Rijndael>(FEncryptionKey.get(), static_cast<uint16_t>(L));
    FCryptor->SetMode(cmCTR);
    FKeysPending = false;
}

bool TAESCryptoTransform::Derivable(const AnsiString& Password) {
    return Password.size() <= TPBKDF2::MaxPasswordLength;
}

void TAESCryptoTransform::EnsureKeys() {
    if ((FKeysPending || !FCryptor) && FSaltValue)
        UpdateKeys();
    if (!FCryptor)
        throw Exception("AES transform: no key has been generated");
}

void TAESCryptoTransform::GenerateKey(const AnsiString& Password) {
    FPassword = Password;
    if (!(FTransformMode == Decryption && FSaltValue)) {
        // A fresh random salt (the generator's own draw); the keys are taken by UpdateKeys.
        const TPBKDF2 saltSource(Derivable(Password) ? Password : AnsiString(),
                                 static_cast<int>(FKeyLengthBytes / 2), KeyIterations);
        FSaltValue = saltSource.GetSaltValue();
    }
    if (FTransformMode == Decryption) {
        // While decrypting the keys are needed only once the entry's salt is known (the start
        // block replaces a random salt) or once data arrives: derive then, and only once.
        FKeysPending = true;
        return;
    }
    UpdateKeys();
}

bool TAESCryptoTransform::CheckPassword(const AnsiString& Password, const TDirItem*) {
    if (!FSaltValue || !FPasswordVerificationValue || !Derivable(Password))
        return false;
    const size_t L = FKeyLengthBytes;
    const uint8_t* v = nullptr;
    std::vector<uint8_t> temp;
    if (DerivedFor(Password)) {
        v = FDerived.data() + 2 * L;
    } else {
        const TPBKDF2 generator(Password, FSaltValue.get(), static_cast<int>(L / 2), KeyIterations);
        temp = generator.GetKeyBytes(DerivedLength());
        ++FDerivations;
        v = temp.data() + 2 * L;
    }
    return v[0] == FPasswordVerificationValue[0] && v[1] == FPasswordVerificationValue[1];
}

std::vector<uint8_t> TAESCryptoTransform::GetKey() {
    EnsureKeys();
    return std::vector<uint8_t>(FEncryptionKey.get(), FEncryptionKey.get() + FKeyLengthBytes);
}

void TAESCryptoTransform::Reset() {
    if (!FSaltValue)
        return;
    UpdateKeys();
}

int32_t TAESCryptoTransform::DecryptBuffer(const void* InputBuffer, int32_t InputOffset, int32_t InputCount,
                                           void* OutputBuffer, int32_t OutputOffset) {
    if (InputCount <= 0)
        return 0;
    EnsureKeys();
    const auto* in = static_cast<const uint8_t*>(InputBuffer) + InputOffset;
    auto* out = static_cast<uint8_t*>(OutputBuffer) + OutputOffset;
    // The authentication code covers the encrypted bytes: feed them before they are replaced.
    hmac_updateXL(FHMAC_Context, in, InputCount);
    if (in != out)
        std::memmove(out, in, static_cast<size_t>(InputCount));
    FCryptor->DecodeBuffer(out, out, InputCount);
    return InputCount;
}

int32_t TAESCryptoTransform::EncryptBuffer(const void* InputBuffer, int32_t InputOffset, int32_t InputCount,
                                           void* OutputBuffer, int32_t OutputOffset) {
    if (InputCount <= 0)
        return 0;
    EnsureKeys();
    const auto* in = static_cast<const uint8_t*>(InputBuffer) + InputOffset;
    auto* out = static_cast<uint8_t*>(OutputBuffer) + OutputOffset;
    if (in != out)
        std::memmove(out, in, static_cast<size_t>(InputCount));
    FCryptor->EncodeBuffer(out, out, InputCount);
    hmac_updateXL(FHMAC_Context, out, InputCount);
    return InputCount;
}

void TAESCryptoTransform::GetFileStorageStartBlock(TStream& Stream, int64_t Offset) {
    EnsureKeys();
    Skip(Stream, Offset);
    Stream.WriteBuffer(FSaltValue.get(), FKeyLengthBytes / 2);
    Stream.WriteBuffer(FPasswordVerificationValue.get(), 2);
}

void TAESCryptoTransform::LoadFileStorageStartBlock(TStream& Stream, int64_t Offset) {
    Skip(Stream, Offset);
    const size_t saltLen = FKeyLengthBytes / 2u;
    if (!FSaltValue)
        FSaltValue = std::make_unique<uint8_t[]>(saltLen);
    Stream.ReadBuffer(FSaltValue.get(), static_cast<int64_t>(saltLen));
    if (Derivable(FPassword)) {
        UpdateKeys();
    } else {
        // No key derives from such a password: it simply fails the check.
        FKeysPending = true;
        if (!FPasswordVerificationValue)
            FPasswordVerificationValue = std::make_unique<uint8_t[]>(2);
    }
    Stream.ReadBuffer(FPasswordVerificationValue.get(), 2);
}

void TAESCryptoTransform::GetFileStorageEndBlock(TStream& Stream, int64_t Offset) {
    if (FVersion == 1)
        return;
    EnsureKeys();
    Skip(Stream, Offset);
    THashDigest mac{};
    hmac_final(FHMAC_Context, mac);
    FAuthenticationCode = CopyOf(mac.data(), static_cast<size_t>(FAuthenticationCodeSize));
    Stream.WriteBuffer(FAuthenticationCode.get(), FAuthenticationCodeSize);
}

void TAESCryptoTransform::LoadFileStorageEndBlock(TStream& Stream, int64_t Offset) {
    if (FVersion == 1)
        return;
    Skip(Stream, Offset);
    FAuthenticationCode = std::make_unique<uint8_t[]>(static_cast<size_t>(FAuthenticationCodeSize));
    Stream.ReadBuffer(FAuthenticationCode.get(), FAuthenticationCodeSize);
}

bool TAESCryptoTransform::IsDirItemCorrupted(const TDirItem* Item, uint32_t Crc32) {
    if (FVersion == 1)
        return Item == nullptr || Item->CentralDir.crc32 != Crc32;
    if (!FAuthenticationCode || !FCryptor)
        return true;
    THashDigest mac{};
    hmac_final(FHMAC_Context, mac);
    for (int32_t i = 0; i < FAuthenticationCodeSize; ++i)
        if (mac[static_cast<size_t>(i)] != FAuthenticationCode[static_cast<size_t>(i)])
            return true;
    return false;
}

std::vector<uint8_t> TAESCryptoTransform::GetExtraFieldData() const {
    const uint8_t strength = FKeyLengthBytes <= 16 ? 1 : FKeyLengthBytes <= 24 ? 2 : 3;
    return {0x01,
            0x99,
            0x07,
            0x00,
            static_cast<uint8_t>(FVersion & 0xFF),
            static_cast<uint8_t>(FVersion >> 8),
            0x41,
            0x45,
            strength,
            static_cast<uint8_t>(FActualCompressionMethod & 0xFF),
            static_cast<uint8_t>(FActualCompressionMethod >> 8)};
}

std::vector<uint8_t> TAESCryptoTransform::SaltValue() const {
    if (!FSaltValue)
        return {};
    return std::vector<uint8_t>(FSaltValue.get(), FSaltValue.get() + FKeyLengthBytes / 2);
}

} // namespace ks
