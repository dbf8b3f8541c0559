// KSStrFunc.h -- the wildcard matcher and the character comparison it uses.
#pragma once

#include <cstdint>

#include "platform/KSTypes.h"

namespace ks {

// '*' matches any run of characters, '?' exactly one; '/' and '\' are ordinary characters.
// A star is tried against every count of remaining characters except all of them, so a pattern
// ending in two or more stars needs at least one more character ("a**" does not match "a"),
// while a pattern whose rest is a single "*" matches the empty rest. A pattern of exactly "*.*"
// matches everything. Both strings are zero-terminated.
bool WIsStrMatchPattern(TKSPChar StrPtr, TKSPChar PatternPtr, bool bIgnoreCase);

// Compares the first MaxLength characters of S1 and S2 (fewer when a string is shorter) and
// returns -1, 0 or 1, under the user's locale where the system has one (Windows), by code point
// elsewhere; where the wide comparison is missing, the 8-bit fallback below answers. The matcher
// upper-cases both sides first when it ignores case.
int32_t WideCompareStrL(const TKSString& S1, const TKSString& S2, int32_t MaxLength);

// The 8-bit fallback: both strings converted to the ANSI code page and compared whole, ignoring
// case when CmpFlags holds NORM_IGNORECASE. Returns -1, 0 or 1.
constexpr int32_t NORM_IGNORECASE = 1;
int32_t DumbItDownFor95(const TKSString& S1, const TKSString& S2, int32_t CmpFlags);

} // namespace ks
