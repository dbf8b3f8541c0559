// KSLocaleCompare.cpp -- locale comparisons where the system offers no user-locale collation:
// code-point order, the same on every machine.
#include "platform/KSCodePages.h"
#include "platform/KSStrings.h"

namespace ks {

int KSLocaleCompareStrL(TKSStringView S1, TKSStringView S2, int MaxLength, bool& NotImplemented) {
    NotImplemented = false;
    return KSCompareStrL(S1, S2, MaxLength);
}

int KSLocaleCompareAnsi(const AnsiString& S1, const AnsiString& S2, bool IgnoreCase) {
    const TKSString W1 = KSAnsiToWide(S1), W2 = KSAnsiToWide(S2);
    const int R = IgnoreCase ? KSCompareText(W1, W2) : KSCompareStr(W1, W2);
    return R < 0 ? -1 : (R > 0 ? 1 : 0);
}

} // namespace ks
