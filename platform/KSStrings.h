// KSStrings.h -- wide-string services: UTF-8 <-> UTF-16, case mapping, comparison, replacement.
//
// Code pages (KSCodePages.h) and the wide string list (KSStringList.h) are part of the same
// service set and come with this header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/KSCodePages.h"
#include "platform/KSStringList.h"
#include "platform/KSTypes.h"

namespace ks {

using TKSStringView = std::u16string_view;

// ---- UTF-8 <-> UTF-16 --------------------------------------------------------------------------

// Lenient conversions: every ill-formed sequence (bad lead byte, truncated or overlong sequence,
// encoded surrogate, value above U+10FFFF; on the wide side a lone surrogate) becomes one U+FFFD
// per maximal ill-formed subpart, so no input is ever rejected and valid input round-trips exactly.
TKSString Utf8ToWide(std::string_view S);
AnsiString WideToUtf8(TKSStringView S);

// Strict check: true when S is well-formed UTF-8 (no overlongs, no surrogates, at most U+10FFFF).
bool IsValidUtf8(std::string_view S);

// ---- Case mapping and comparison ---------------------------------------------------------------

// Unicode simple (one-to-one) case mapping, independent of the process locale. Surrogate pairs
// are mapped as one code point; the length in code units never changes.
TKSString KSUpperCase(TKSStringView S);
TKSString KSLowerCase(TKSStringView S);
TKSChar KSCharUpper(TKSChar C); // a lone surrogate comes back unchanged
TKSChar KSCharLower(TKSChar C);
// The same for a whole code point; a mapping that would leave the code point's plane (and so
// change the UTF-16 length) is not applied.
char32_t KSCodePointUpper(char32_t C);
char32_t KSCodePointLower(char32_t C);

// Compares the first MaxLength code units of S1 and S2 (each cut at its own length when shorter)
// and returns -1, 0 or 1. The comparison is by code point, without case folding: callers that
// want case-insensitivity upper-case both sides first. A negative MaxLength compares whole strings.
int KSCompareStrL(TKSStringView S1, TKSStringView S2, int MaxLength);

// The first MaxLength code units of S1 and S2 compared under the user's locale, -1, 0 or 1. On
// Windows that is CompareStringW with LOCALE_USER_DEFAULT and no flags; where the system lacks
// the wide call, NotImplemented is set (the result is then meaningless) and callers fall back to
// an 8-bit comparison; any other failure raises EOSError. Systems without a user-locale collation
// compare by code point (KSCompareStrL).
int KSLocaleCompareStrL(TKSStringView S1, TKSStringView S2, int MaxLength, bool& NotImplemented);
// Whole 8-bit strings of the ANSI code page compared under the user's locale, -1, 0 or 1 (Windows:
// CompareStringA with LOCALE_USER_DEFAULT; IgnoreCase adds NORM_IGNORECASE). Elsewhere the
// strings are read back through the ANSI code page and compared by code point (after simple
// upper-case mapping with IgnoreCase).
int KSLocaleCompareAnsi(const AnsiString& S1, const AnsiString& S2, bool IgnoreCase);

// Whole-string comparisons returning <0, 0, >0: exact code-point order, and the same after simple
// upper-case mapping of both sides.
int KSCompareStr(TKSStringView S1, TKSStringView S2);
int KSCompareText(TKSStringView S1, TKSStringView S2);
bool KSSameText(TKSStringView S1, TKSStringView S2);

// ---- Replacement and sizes ---------------------------------------------------------------------

enum TKSReplaceFlag : unsigned {
    rfReplaceAll = 1, // replace every occurrence, not only the first
    rfIgnoreCase = 2, // find OldPattern with simple case folding
};
using TKSReplaceFlags = unsigned;

// S with OldPattern replaced by NewPattern (the first occurrence, or all with rfReplaceAll).
// Occurrences are searched left to right without overlap; an empty OldPattern changes nothing.
TKSString KSStringReplace(TKSStringView S, TKSStringView OldPattern, TKSStringView NewPattern,
                          TKSReplaceFlags Flags);

// Byte length of a wide string: 2 x its length in code units.
inline std::size_t ByteLength(TKSStringView S) {
    return S.size() * sizeof(TKSChar);
}

} // namespace ks
