// KSStrFunc.cpp -- the wildcard matcher and the character comparison it uses.
#include "archive/KSStrFunc.h"

#include <string_view>

#include "platform/KSStrings.h"

namespace ks {

namespace {

// The matcher's rules give the same answers as ordinary wildcard matching over a normalised
// pattern: a run of stars inside the pattern acts as one star, and a run of two or more stars at
// the end needs at least one character (a star never takes all remaining characters, and only a
// single trailing star accepts an empty rest). Normalising first lets the match run without
// recursion, in time proportional to the string for ordinary masks, and with a hostile pattern
// or name no worse than the product of their lengths.
TKSString NormalisePattern(std::u16string_view P, bool bIgnoreCase) {
    TKSString Q;
    Q.reserve(P.size() + 1);
    size_t i = 0;
    while (i < P.size()) {
        if (P[i] != u'*') {
            Q += bIgnoreCase ? KSCharUpper(P[i]) : P[i];
            ++i;
            continue;
        }
        size_t Run = 0;
        while (i < P.size() && P[i] == u'*') {
            ++Run;
            ++i;
        }
        if (i == P.size() && Run >= 2)
            Q += u"?*";
        else
            Q += u'*';
    }
    return Q;
}

} // namespace

bool WIsStrMatchPattern(TKSPChar StrPtr, TKSPChar PatternPtr, bool bIgnoreCase) {
    const std::u16string_view S = StrPtr ? std::u16string_view(StrPtr) : std::u16string_view();
    const std::u16string_view P = PatternPtr ? std::u16string_view(PatternPtr) : std::u16string_view();
    if (P == u"*.*")
        return true;
    const TKSString Q = NormalisePattern(P, bIgnoreCase);
    const size_t N = S.size(), M = Q.size();
    size_t Si = 0, Pi = 0;
    size_t Star = TKSString::npos, Mark = 0;
    while (Si < N) {
        if (Pi < M && Q[Pi] == u'*') {
            Star = Pi++;
            Mark = Si;
        } else if (Pi < M && (Q[Pi] == u'?' || (bIgnoreCase ? KSCharUpper(S[Si]) : S[Si]) == Q[Pi])) {
            ++Si;
            ++Pi;
        } else if (Star != TKSString::npos) {
            Pi = Star + 1;
            Si = ++Mark;
        } else {
            return false;
        }
    }
    while (Pi < M && Q[Pi] == u'*')
        ++Pi;
    return Pi == M;
}

int32_t WideCompareStrL(const TKSString& S1, const TKSString& S2, int32_t MaxLength) {
    bool NotImplemented = false;
    const int R = KSLocaleCompareStrL(S1, S2, MaxLength, NotImplemented);
    if (NotImplemented)
        return DumbItDownFor95(S1, S2, NORM_IGNORECASE);
    return R < 0 ? -1 : (R > 0 ? 1 : 0);
}

int32_t DumbItDownFor95(const TKSString& S1, const TKSString& S2, int32_t CmpFlags) {
    // Characters the ANSI code page cannot hold compare as its replacement character, as an 8-bit
    // comparison sees them.
    const int R = KSLocaleCompareAnsi(KSWideToAnsi(S1), KSWideToAnsi(S2), (CmpFlags & NORM_IGNORECASE) != 0);
    return R < 0 ? -1 : (R > 0 ? 1 : 0);
}

} // namespace ks
