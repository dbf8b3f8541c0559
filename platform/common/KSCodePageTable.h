// KSCodePageTable.h -- internal: the conversion tables behind KSCodePages.h.
//
// The backend supplies the byte -> UTF-16 table of a single-byte code page; the common code
// derives the reverse table and does every conversion with table look-ups.
#pragma once

#include <array>
#include <cstdint>

#include "platform/KSCodePages.h"

namespace ks::detail {

struct TKSCodePageDecodeTable {
    std::array<char16_t, 256> Chars{};
    std::array<bool, 256> Defined{};
};

// Fills Table for Page with the page's own (round-trip) mappings only, no best-fit or fallback
// mappings. False when the backend has no such single-byte page.
bool KSLoadCodePageDecodeTable(TKSCodePage Page, TKSCodePageDecodeTable& Table);

} // namespace ks::detail
