// KSCodePages.h -- single-byte OEM and ANSI code pages <-> UTF-16.
//
// Conversions behave like the Windows calls without best-fit mapping: a character the target
// code page cannot hold becomes that page's replacement character '?' (so U+0151 never turns into
// 'o'), and a byte the source page leaves undefined becomes the code point of the same value
// (U+0080..U+00FF), which converts back to the same byte, unless the page already holds that
// code point at another byte: then it becomes U+FFFD. Byte 0 maps to U+0000 and back.
//
// Every process has one current OEM and one current ANSI code page. They start as the pair that
// Windows assigns to the user's locale (LC_ALL, then LC_CTYPE, then LANG) and may be overridden
// process-wide (the command line's --oem-cp / --ansi-cp).
#pragma once

#include <cstddef>
#include <string_view>

#include "platform/KSException.h"
#include "platform/KSTypes.h"

namespace ks {

using TKSCodePage = unsigned; // a Windows code page number: 437, 850, 852, 1250, 1252, ...

struct TKSCodePagePair {
    TKSCodePage Oem;
    TKSCodePage Ansi;
    bool operator==(const TKSCodePagePair&) const = default;
};

// True when Page is a single-byte code page this layer can convert.
bool KSIsCodePageSupported(TKSCodePage Page);

// The pair Windows assigns to a locale given in POSIX form ("hu_HU.UTF-8", "en_GB", "de",
// "C"): Hungarian 852/1250, English 437/1252 (British, Irish, Australian, Canadian and New
// Zealand English 850/1252), Western European 850/1252, Cyrillic 866/1251, Greek 737/1253,
// Turkish 857/1254, Baltic 775/1257, and so on; 437/1252 for anything unknown or multi-byte.
TKSCodePagePair KSCodePagesForLocale(std::string_view Locale);

// The pair of the user's locale from the environment, as above.
TKSCodePagePair KSLocaleCodePages();

// The process-wide current pair (initially KSLocaleCodePages()).
TKSCodePage KSOemCodePage();
TKSCodePage KSAnsiCodePage();

// Overrides the current OEM or ANSI page for the whole process. Returns false (and changes
// nothing) when Page is not supported. KSResetCodePages returns to the locale's pair.
bool KSSetOemCodePage(TKSCodePage Page);
bool KSSetAnsiCodePage(TKSCodePage Page);
void KSResetCodePages();

// Conversions with an explicit page. An unsupported page raises ks::Exception.
TKSString KSCodePageToWide(std::string_view Bytes, TKSCodePage Page);
AnsiString KSWideToCodePage(std::u16string_view S, TKSCodePage Page);

// Conversions with the current pages.
TKSString KSAnsiToWide(std::string_view Bytes);
AnsiString KSWideToAnsi(std::u16string_view S);
TKSString KSOemToWide(std::string_view Bytes);
AnsiString KSWideToOem(std::u16string_view S);

// Converts Len bytes from the current OEM page to the current ANSI page in place (one byte per
// byte; characters ANSI cannot hold become '?'). The AnsiString form converts the whole string.
void KSOemToAnsiBuff(char* Buffer, std::size_t Len);
void KSOemToAnsiBuff(AnsiString& S);
void KSAnsiToOemBuff(char* Buffer, std::size_t Len);

// The same between two explicit pages.
void KSConvertCodePageBuff(char* Buffer, std::size_t Len, TKSCodePage From, TKSCodePage To);

} // namespace ks
