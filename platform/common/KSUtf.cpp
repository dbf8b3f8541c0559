// KSUtf.cpp -- UTF-8 <-> UTF-16 conversion (lenient) and the strict UTF-8 check.
#include <cstdint>

#include "platform/KSStrings.h"

namespace ks {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

// Decodes one code point at S[I]. On success returns the code point and sets Len; on an ill-formed
// sequence returns -1 and sets Len to the length of the maximal ill-formed subpart (at least 1), so
// that each such subpart becomes exactly one U+FFFD.
int32_t DecodeUtf8(std::string_view S, std::size_t I, std::size_t& Len) {
    const auto B0 = static_cast<uint8_t>(S[I]);
    if (B0 < 0x80) {
        Len = 1;
        return B0;
    }
    int Need;
    int32_t Cp;
    uint8_t Lo = 0x80, Hi = 0xBF; // allowed range of the second byte
    if (B0 >= 0xC2 && B0 <= 0xDF) {
        Need = 1;
        Cp = B0 & 0x1F;
    } else if (B0 >= 0xE0 && B0 <= 0xEF) {
        Need = 2;
        Cp = B0 & 0x0F;
        if (B0 == 0xE0)
            Lo = 0xA0; // no overlongs
        else if (B0 == 0xED)
            Hi = 0x9F; // no surrogates
    } else if (B0 >= 0xF0 && B0 <= 0xF4) {
        Need = 3;
        Cp = B0 & 0x07;
        if (B0 == 0xF0)
            Lo = 0x90;
        else if (B0 == 0xF4)
            Hi = 0x8F; // at most U+10FFFF
    } else {
        Len = 1;
        return -1;
    }
    std::size_t K = 1;
    for (int N = 0; N < Need; ++N, ++K) {
        if (I + K >= S.size()) {
            Len = K;
            return -1;
        }
        const auto B = static_cast<uint8_t>(S[I + K]);
        const uint8_t L = (N == 0) ? Lo : 0x80;
        const uint8_t H = (N == 0) ? Hi : 0xBF;
        if (B < L || B > H) {
            Len = K;
            return -1;
        }
        Cp = (Cp << 6) | (B & 0x3F);
    }
    Len = K;
    return Cp;
}

} // namespace

TKSString Utf8ToWide(std::string_view S) {
    TKSString R;
    R.reserve(S.size());
    std::size_t I = 0;
    while (I < S.size()) {
        // ASCII runs are the common case in file names.
        if (static_cast<uint8_t>(S[I]) < 0x80) {
            R.push_back(static_cast<char16_t>(S[I]));
            ++I;
            continue;
        }
        std::size_t Len;
        const int32_t Cp = DecodeUtf8(S, I, Len);
        I += Len;
        if (Cp < 0)
            R.push_back(kReplacement);
        else if (Cp >= 0x10000) {
            R.push_back(static_cast<char16_t>(0xD800 + ((Cp - 0x10000) >> 10)));
            R.push_back(static_cast<char16_t>(0xDC00 + ((Cp - 0x10000) & 0x3FF)));
        } else
            R.push_back(static_cast<char16_t>(Cp));
    }
    return R;
}

AnsiString WideToUtf8(TKSStringView S) {
    AnsiString R;
    R.reserve(S.size() + S.size() / 2);
    for (std::size_t I = 0; I < S.size(); ++I) {
        uint32_t Cp = S[I];
        if (Cp < 0x80) {
            R.push_back(static_cast<char>(Cp));
            continue;
        }
        if (Cp >= 0xD800 && Cp <= 0xDBFF && I + 1 < S.size() && S[I + 1] >= 0xDC00 && S[I + 1] <= 0xDFFF) {
            Cp = 0x10000 + ((Cp - 0xD800) << 10) + (S[I + 1] - 0xDC00);
            ++I;
        } else if (Cp >= 0xD800 && Cp <= 0xDFFF)
            Cp = kReplacement; // a lone surrogate
        if (Cp < 0x800) {
            R.push_back(static_cast<char>(0xC0 | (Cp >> 6)));
            R.push_back(static_cast<char>(0x80 | (Cp & 0x3F)));
        } else if (Cp < 0x10000) {
            R.push_back(static_cast<char>(0xE0 | (Cp >> 12)));
            R.push_back(static_cast<char>(0x80 | ((Cp >> 6) & 0x3F)));
            R.push_back(static_cast<char>(0x80 | (Cp & 0x3F)));
        } else {
            R.push_back(static_cast<char>(0xF0 | (Cp >> 18)));
            R.push_back(static_cast<char>(0x80 | ((Cp >> 12) & 0x3F)));
            R.push_back(static_cast<char>(0x80 | ((Cp >> 6) & 0x3F)));
            R.push_back(static_cast<char>(0x80 | (Cp & 0x3F)));
        }
    }
    return R;
}

bool IsValidUtf8(std::string_view S) {
    std::size_t I = 0;
    while (I < S.size()) {
        std::size_t Len;
        if (DecodeUtf8(S, I, Len) < 0)
            return false;
        I += Len;
    }
    return true;
}

} // namespace ks
