// Kestrel.cpp -- construction and destruction of the component, its property setters, and
// TKestrel's fixed choices (stored or deflate, Zip64 off by default).
#include "archive/Kestrel.h"

#include <charconv>

#include "archive/KSConst.h"
#include "archive/KSDirManager.h"
#include "archive/KSExcept.h"
#include "archive/KSVolumeNumberInfo.h"
#include "platform/KSException.h"
#include "platform/KSStreams.h"
#include "platform/KSStrings.h"
#include "platform/KSSync.h"

namespace ks {

TKSBaseArchiver::TKSBaseArchiver(TComponent* AOwner) : TComponent(AOwner) {
    DMHandle = nullptr;
    FCompressedStream = nullptr;
    FOptions = std::make_unique<TKSOptions>();
    SetCompressionLevel(clFastest);
    FActive = false;
    FFileMasks = std::make_unique<TKSStringList>();
    FExclusionMasks = std::make_unique<TKSStringList>();
    FNoCompressionMasks = std::make_unique<TKSStringList>();
    FKSCryptoAlgorithm = caPkzipClassic;
    FExtractCorruptedFiles = false;
    FOpenCorruptedArchives = true;
    FSpanningMode = smNone;
    FSpanningOptions = std::make_unique<TKSSpanningOptions>();
    FZip64Mode = zmAuto;
    FVolumeNumberInfo = std::make_unique<TKSVolumeNumberInfo>();
    FSuppressPasswordEvent = false;
    FUnicodeFilenames = true;
}

TKSBaseArchiver::~TKSBaseArchiver() {
    CloseArchive();
}

void TKSBaseArchiver::SetCompressionLevel(TKSCompressionLevel newLevel) {
    FCompressionLevel = newLevel;
    switch (newLevel) {
    case clNone:
        FCompressionMode = 0;
        break;
    case clFastest:
        FCompressionMode = 1;
        break;
    case clNormal:
        FCompressionMode = 6;
        break;
    case clMax:
        FCompressionMode = 9;
        break;
    }
    SetCompMethod();
}

void TKSBaseArchiver::SetCompressionMode(uint8_t newMode) {
    if (newMode > 9)
        throw EKSException(KSNE_SetCompressionMode, this);
    FCompressionMode = newMode;
    if (newMode == 0)
        FCompressionLevel = clNone;
    else if (newMode <= 3)
        FCompressionLevel = clFastest;
    else if (newMode <= 6)
        FCompressionLevel = clNormal;
    else
        FCompressionLevel = clMax;
    SetCompMethod();
}

void TKSBaseArchiver::SetCompMethod() {
    FCompressionMethod = 65535;
}

TKSString TKSBaseArchiver::GetCurrentVersionText() const {
    // The version number printed with two decimals and a point, then a blank and the (empty)
    // edition text. to_chars never consults the locale, so the separator is always a point.
    char Buf[32];
    auto Res = std::to_chars(Buf, Buf + sizeof(Buf), 5.01, std::chars_format::fixed, 2);
    TKSString Text(Buf, Res.ptr);
    Text += u' ';
    return Text;
}

void TKSBaseArchiver::SetCurrentVersionText(const TKSString& Value) {
    (void)Value;
    (void)GetCurrentVersionText();
}

void TKSBaseArchiver::SetPassword(const AnsiString& Value) {
    FPassword = Value;
}

void TKSBaseArchiver::SetSpanningMode(TKSSpanningMode Value) {
    if (FActive)
        throw Exception("Cannot set spanning mode on open archive");
    FSpanningMode = Value;
}

void TKSBaseArchiver::SetFileMasks(const TKSStringList& Value) {
    FFileMasks->Assign(Value);
}

void TKSBaseArchiver::SetExclusionMasks(const TKSStringList& Value) {
    FExclusionMasks->Assign(Value);
}

void TKSBaseArchiver::SetNoCompressionMasks(const TKSStringList& Value) {
    FNoCompressionMasks->Assign(Value);
}

void TKSBaseArchiver::DoAfterOpen() {
    if (FAfterOpen)
        FAfterOpen(this);
}

void TKSBaseArchiver::Lock() {
    FCSect().Enter();
}

void TKSBaseArchiver::Unlock() {
    FCSect().Leave();
}

// ---- TKestrel ----------------------------------------------------------------------------------

TKestrel::TKestrel(TComponent* AOwner) : TKSBaseArchiver(AOwner) {
    // The base constructor ran the base class's SetCompMethod; the method of this class decides.
    SetCompMethod();
    FZip64Mode = zmDisabled;
}

TKestrel::~TKestrel() = default;

void TKestrel::SetPassword(const AnsiString& Value) {
    if (FPassword.empty())
        FKSCryptoAlgorithm = caPkzipClassic;
    TKSBaseArchiver::SetPassword(Value);
}

void TKestrel::SetCompMethod() {
    FCompressionMethod = FCompressionMode == 0 ? 0 : 8;
}

} // namespace ks
