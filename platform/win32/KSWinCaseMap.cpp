// KSWinCaseMap.cpp -- Unicode simple case mapping through the system's case tables.
//
// CharUpperBuffW / CharLowerBuffW map the Basic Multilingual Plane one code unit at a time (the
// user-interface language does not change them); a surrogate pair is mapped as one code point
// through the locale-independent LCMapStringEx, and a result that would leave the code point's
// plane is not applied, so the UTF-16 length never changes.
#include "platform/KSStrings.h"
#include "platform/win32/KSWinInternal.h"

namespace ks {

namespace {

char32_t MapBmp(char32_t C, bool Upper) {
    wchar_t W = static_cast<wchar_t>(C);
    if (Upper)
        CharUpperBuffW(&W, 1);
    else
        CharLowerBuffW(&W, 1);
    const auto M = static_cast<char32_t>(W);
    return (M >= 0xD800 && M <= 0xDFFF) ? C : M;
}

char32_t MapSupplementary(char32_t C, bool Upper) {
    const wchar_t In[2] = {static_cast<wchar_t>(0xD800 + ((C - 0x10000) >> 10)),
                           static_cast<wchar_t>(0xDC00 + ((C - 0x10000) & 0x3FF))};
    wchar_t Out[4] = {};
    const int N = LCMapStringEx(LOCALE_NAME_INVARIANT, Upper ? LCMAP_UPPERCASE : LCMAP_LOWERCASE, In, 2, Out,
                                4, nullptr, nullptr, 0);
    if (N != 2 || Out[0] < 0xD800 || Out[0] > 0xDBFF || Out[1] < 0xDC00 || Out[1] > 0xDFFF)
        return C;
    return 0x10000 + ((static_cast<char32_t>(Out[0]) - 0xD800) << 10) +
           (static_cast<char32_t>(Out[1]) - 0xDC00);
}

char32_t MapCodePoint(char32_t C, bool Upper) {
    if (C < 0x80) {
        if (Upper)
            return (C >= 'a' && C <= 'z') ? C - 0x20 : C;
        return (C >= 'A' && C <= 'Z') ? C + 0x20 : C;
    }
    if (C >= 0xD800 && C <= 0xDFFF)
        return C;
    if (C < 0x10000)
        return MapBmp(C, Upper);
    if (C > 0x10FFFF)
        return C;
    return MapSupplementary(C, Upper);
}

TKSString MapString(TKSStringView S, bool Upper) {
    TKSString R(S);
    for (std::size_t I = 0; I < R.size(); ++I) {
        const char16_t C = R[I];
        if (C >= 0xD800 && C <= 0xDBFF && I + 1 < R.size() && R[I + 1] >= 0xDC00 && R[I + 1] <= 0xDFFF) {
            const char32_t Cp = 0x10000 + ((static_cast<char32_t>(C) - 0xD800) << 10) + (R[I + 1] - 0xDC00);
            const char32_t M = MapCodePoint(Cp, Upper);
            R[I] = static_cast<char16_t>(0xD800 + ((M - 0x10000) >> 10));
            R[I + 1] = static_cast<char16_t>(0xDC00 + ((M - 0x10000) & 0x3FF));
            ++I;
            continue;
        }
        R[I] = static_cast<char16_t>(MapCodePoint(C, Upper));
    }
    return R;
}

} // namespace

char32_t KSCodePointUpper(char32_t C) {
    return MapCodePoint(C, true);
}
char32_t KSCodePointLower(char32_t C) {
    return MapCodePoint(C, false);
}

TKSChar KSCharUpper(TKSChar C) {
    return static_cast<TKSChar>(MapCodePoint(C, true));
}
TKSChar KSCharLower(TKSChar C) {
    return static_cast<TKSChar>(MapCodePoint(C, false));
}

TKSString KSUpperCase(TKSStringView S) {
    return MapString(S, true);
}
TKSString KSLowerCase(TKSStringView S) {
    return MapString(S, false);
}

} // namespace ks
