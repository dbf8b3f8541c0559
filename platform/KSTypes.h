// KSTypes.h -- the engine's basic string and integer types.
//
// Every item name and path inside the engine is UTF-16 (TKSString). Conversions to the file
// system's own encoding happen only at the file-call boundary in the platform backends.
#pragma once

#include <cstdint>
#include <string>

namespace ks {

using TKSChar = char16_t;         // one UTF-16 code unit
using TKSString = std::u16string; // a wide string
using TKSPChar = const TKSChar*;  // a zero-terminated run of code units
using AnsiString = std::string;   // an 8-bit string (code page or UTF-8, as the caller says)

} // namespace ks
