// KSCaseMapIcu.cpp -- Unicode simple case mapping through ICU, independent of the process locale.
#include <unicode/uchar.h>

#include "platform/KSStrings.h"

namespace ks {

namespace {

bool SamePlane(char32_t A, char32_t B) {
    return (A >= 0x10000) == (B >= 0x10000);
}

template <typename TMap> TKSString MapString(TKSStringView S, TMap Map) {
    TKSString R(S);
    for (std::size_t I = 0; I < R.size(); ++I) {
        const char16_t C = R[I];
        if (C < 0x80) {
            R[I] = static_cast<char16_t>(Map(C));
            continue;
        }
        if (C >= 0xD800 && C <= 0xDBFF && I + 1 < R.size() && R[I + 1] >= 0xDC00 && R[I + 1] <= 0xDFFF) {
            const char32_t Cp = 0x10000 + ((static_cast<char32_t>(C) - 0xD800) << 10) + (R[I + 1] - 0xDC00);
            const char32_t M = Map(Cp);
            R[I] = static_cast<char16_t>(0xD800 + ((M - 0x10000) >> 10));
            R[I + 1] = static_cast<char16_t>(0xDC00 + ((M - 0x10000) & 0x3FF));
            ++I;
            continue;
        }
        R[I] = static_cast<char16_t>(Map(C));
    }
    return R;
}

} // namespace

char32_t KSCodePointUpper(char32_t C) {
    if (C < 0x80)
        return (C >= 'a' && C <= 'z') ? C - 0x20 : C;
    if (C >= 0xD800 && C <= 0xDFFF)
        return C;
    const auto M = static_cast<char32_t>(u_toupper(static_cast<UChar32>(C)));
    return SamePlane(C, M) ? M : C;
}

char32_t KSCodePointLower(char32_t C) {
    if (C < 0x80)
        return (C >= 'A' && C <= 'Z') ? C + 0x20 : C;
    if (C >= 0xD800 && C <= 0xDFFF)
        return C;
    const auto M = static_cast<char32_t>(u_tolower(static_cast<UChar32>(C)));
    return SamePlane(C, M) ? M : C;
}

TKSChar KSCharUpper(TKSChar C) {
    return static_cast<TKSChar>(KSCodePointUpper(C));
}
TKSChar KSCharLower(TKSChar C) {
    return static_cast<TKSChar>(KSCodePointLower(C));
}

TKSString KSUpperCase(TKSStringView S) {
    return MapString(S, KSCodePointUpper);
}
TKSString KSLowerCase(TKSStringView S) {
    return MapString(S, KSCodePointLower);
}

} // namespace ks
