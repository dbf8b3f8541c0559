// KSStringOps.cpp -- comparisons and pattern replacement on wide strings.
#include <algorithm>

#include "platform/KSStrings.h"

namespace ks {

namespace {

bool IsHighSurrogate(TKSChar C) {
    return C >= 0xD800 && C <= 0xDBFF;
}

// The code point at S[I] (a valid surrogate pair counts as one); advances I past it.
char32_t NextCodePoint(TKSStringView S, std::size_t& I) {
    const TKSChar C = S[I++];
    if (IsHighSurrogate(C) && I < S.size() && S[I] >= 0xDC00 && S[I] <= 0xDFFF)
        return 0x10000 + ((static_cast<char32_t>(C) - 0xD800) << 10) + (S[I++] - 0xDC00);
    return C;
}

int Sign(int V) {
    return (V > 0) - (V < 0);
}

int CompareUnits(TKSStringView A, TKSStringView B) {
    const std::size_t N = std::min(A.size(), B.size());
    for (std::size_t I = 0; I < N; ++I)
        if (A[I] != B[I])
            return A[I] < B[I] ? -1 : 1;
    return A.size() < B.size() ? -1 : (A.size() > B.size() ? 1 : 0);
}

} // namespace

int KSCompareStrL(TKSStringView S1, TKSStringView S2, int MaxLength) {
    if (MaxLength >= 0) {
        const auto M = static_cast<std::size_t>(MaxLength);
        S1 = S1.substr(0, std::min(M, S1.size()));
        S2 = S2.substr(0, std::min(M, S2.size()));
    }
    return Sign(CompareUnits(S1, S2));
}

int KSCompareStr(TKSStringView S1, TKSStringView S2) {
    return CompareUnits(S1, S2);
}

int KSCompareText(TKSStringView S1, TKSStringView S2) {
    std::size_t I = 0, J = 0;
    while (I < S1.size() && J < S2.size()) {
        if (S1[I] == S2[J] && !IsHighSurrogate(S1[I])) {
            ++I;
            ++J;
            continue;
        }
        const char32_t A = KSCodePointUpper(NextCodePoint(S1, I));
        const char32_t B = KSCodePointUpper(NextCodePoint(S2, J));
        if (A != B)
            return A < B ? -1 : 1;
    }
    const bool End1 = I >= S1.size(), End2 = J >= S2.size();
    return End1 && End2 ? 0 : (End1 ? -1 : 1);
}

bool KSSameText(TKSStringView S1, TKSStringView S2) {
    return S1.size() == S2.size() && KSCompareText(S1, S2) == 0;
}

TKSString KSStringReplace(TKSStringView S, TKSStringView OldPattern, TKSStringView NewPattern,
                          TKSReplaceFlags Flags) {
    if (OldPattern.empty())
        return TKSString(S);
    // Case folding keeps the length in code units, so positions in the folded copies are
    // positions in the originals.
    TKSString FoldedS, FoldedOld;
    TKSStringView Hay = S, Needle = OldPattern;
    if (Flags & rfIgnoreCase) {
        FoldedS = KSUpperCase(S);
        FoldedOld = KSUpperCase(OldPattern);
        Hay = FoldedS;
        Needle = FoldedOld;
    }
    TKSString R;
    R.reserve(S.size());
    std::size_t From = 0;
    while (From <= S.size()) {
        const std::size_t At = Hay.find(Needle, From);
        if (At == TKSStringView::npos)
            break;
        R.append(S.substr(From, At - From));
        R.append(NewPattern);
        From = At + OldPattern.size();
        if (!(Flags & rfReplaceAll))
            break;
    }
    if (From <= S.size())
        R.append(S.substr(From));
    return R;
}

} // namespace ks
