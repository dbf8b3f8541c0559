// KSWinCodePages.cpp -- single-byte code page tables from the system's converters, and the
// system's own OEM and ANSI pages as the process default.
//
// A byte counts as defined only when MultiByteToWideChar maps it (with MB_ERR_INVALID_CHARS)
// to a character outside the private-use area and WideCharToMultiByte, without best-fit
// mapping, brings that character back to the same byte. The private-use characters Windows
// gives to holes in some tables and every best-fit or fallback mapping are thereby left out,
// so conversions agree byte for byte with the POSIX backend's tables.
#include "platform/common/KSCodePageTable.h"
#include "platform/win32/KSWinInternal.h"

namespace ks {

namespace detail {

namespace {

bool IsSingleBytePage(TKSCodePage Page) {
    if (Page == 0 || Page == CP_UTF7 || Page == CP_UTF8 || !IsValidCodePage(Page))
        return false;
    CPINFO Info;
    return GetCPInfo(Page, &Info) && Info.MaxCharSize == 1;
}

bool RoundTrips(TKSCodePage Page, char Byte, wchar_t& Char) {
    wchar_t Out[4];
    if (MultiByteToWideChar(Page, MB_ERR_INVALID_CHARS, &Byte, 1, Out, 4) != 1)
        return false;
    if (Out[0] >= 0xE000 && Out[0] <= 0xF8FF)
        return false;
    char Back[4];
    BOOL UsedDefault = FALSE;
    const int N =
        WideCharToMultiByte(Page, WC_NO_BEST_FIT_CHARS, Out, 1, Back, sizeof Back, nullptr, &UsedDefault);
    if (N != 1 || UsedDefault || Back[0] != Byte)
        return false;
    Char = Out[0];
    return true;
}

} // namespace

bool KSLoadCodePageDecodeTable(TKSCodePage Page, TKSCodePageDecodeTable& Table) {
    if (!IsSingleBytePage(Page))
        return false;
    for (int Byte = 0; Byte < 256; ++Byte) {
        const auto B = static_cast<std::size_t>(Byte);
        wchar_t C = 0;
        Table.Defined[B] = RoundTrips(Page, static_cast<char>(Byte), C);
        Table.Chars[B] = Table.Defined[B] ? static_cast<char16_t>(C) : u'\0';
    }
    return true;
}

} // namespace detail

TKSCodePagePair KSLocaleCodePages() {
    return {static_cast<TKSCodePage>(GetOEMCP()), static_cast<TKSCodePage>(GetACP())};
}

} // namespace ks
