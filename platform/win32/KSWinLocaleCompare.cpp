// KSWinLocaleCompare.cpp -- comparisons under the user's locale through CompareStringW, and the
// 8-bit CompareStringA for systems that lack the wide call.
#include <algorithm>
#include <string>

#include "platform/KSException.h"
#include "platform/KSStrings.h"
#include "platform/win32/KSWinInternal.h"

namespace ks {

namespace {

int Mapped(int R) {
    return R == CSTR_LESS_THAN ? -1 : (R == CSTR_GREATER_THAN ? 1 : 0);
}

int Prefix(TKSStringView S, int MaxLength) {
    const auto Len = static_cast<int>(std::min<std::size_t>(S.size(), 0x7FFFFFFF));
    return MaxLength < 0 ? Len : std::min(Len, MaxLength);
}

} // namespace

int KSLocaleCompareStrL(TKSStringView S1, TKSStringView S2, int MaxLength, bool& NotImplemented) {
    NotImplemented = false;
    const std::wstring W1(S1.begin(), S1.begin() + Prefix(S1, MaxLength));
    const std::wstring W2(S2.begin(), S2.begin() + Prefix(S2, MaxLength));
    SetLastError(0);
    const int R = CompareStringW(LOCALE_USER_DEFAULT, 0, W1.data(), static_cast<int>(W1.size()), W2.data(),
                                 static_cast<int>(W2.size()));
    const DWORD Err = GetLastError();
    if (Err == ERROR_CALL_NOT_IMPLEMENTED) {
        NotImplemented = true;
        return 0;
    }
    if (Err != 0 && R == 0)
        throw EOSError("System Error. Code: " + std::to_string(Err) + ".\n" + win::SysErrorMessage(Err), Err);
    return Mapped(R);
}

int KSLocaleCompareAnsi(const AnsiString& S1, const AnsiString& S2, bool IgnoreCase) {
    const int R = CompareStringA(LOCALE_USER_DEFAULT, IgnoreCase ? NORM_IGNORECASE : 0, S1.data(),
                                 static_cast<int>(S1.size()), S2.data(), static_cast<int>(S2.size()));
    if (R == 0) {
        const DWORD Err = GetLastError();
        throw EOSError("System Error. Code: " + std::to_string(Err) + ".\n" + win::SysErrorMessage(Err), Err);
    }
    return Mapped(R);
}

} // namespace ks
