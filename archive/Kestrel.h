// Kestrel.h -- TKestrel, the ZIP archive component programs use: stored or deflate as the
// compression method and Zip64 off by default.
#pragma once

#include "archive/KSBaseArchiver.h"

namespace ks {

class TKestrel : public TKSBaseArchiver {
public:
    explicit TKestrel(TComponent* AOwner = nullptr);
    ~TKestrel() override;

    // The first non-empty password (assigned while the current one is empty) resets
    // EncryptionMethod to caPkzipClassic; a method chosen after the password stays.
    void SetPassword(const AnsiString& Value) override;
    // 0 (stored) for CompressionMode 0, else 8 (deflate).
    void SetCompMethod() override;

    TZip64Mode Zip64Mode() const { return FZip64Mode; }
    void SetZip64Mode(TZip64Mode V) { FZip64Mode = V; }
    bool UnicodeFilenames() const { return FUnicodeFilenames; }
    void SetUnicodeFilenames(bool V) { FUnicodeFilenames = V; }
    TKSCryptoAlgorithm EncryptionMethod() const { return FKSCryptoAlgorithm; }
    void SetEncryptionMethod(TKSCryptoAlgorithm V) { FKSCryptoAlgorithm = V; }
};

} // namespace ks
