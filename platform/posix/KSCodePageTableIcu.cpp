// KSCodePageTableIcu.cpp -- single-byte code page tables from ICU, without fallback mappings.
#include <string>

#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>

#include "platform/common/KSCodePageTable.h"

namespace ks::detail {

namespace {

// ICU names the DOS pages "ibm-NNN" and the Windows pages "windows-NNNN".
std::string IcuName(TKSCodePage Page) {
    if (Page >= 1250 && Page <= 1258)
        return "windows-" + std::to_string(Page);
    if (Page == 874)
        return "windows-874";
    return "ibm-" + std::to_string(Page);
}

// Mappings in Windows' tables that the ICU table of the same page lacks.
void PatchWindowsDifferences(TKSCodePage Page, TKSCodePageDecodeTable& Table) {
    if (Page == 852) { // NOT SIGN
        Table.Chars[0xAA] = 0x00AC;
        Table.Defined[0xAA] = true;
    }
}

} // namespace

bool KSLoadCodePageDecodeTable(TKSCodePage Page, TKSCodePageDecodeTable& Table) {
    UErrorCode Err = U_ZERO_ERROR;
    UConverter* Cnv = ucnv_open(IcuName(Page).c_str(), &Err);
    if (U_FAILURE(Err) || !Cnv)
        return false;
    bool Ok = ucnv_getMaxCharSize(Cnv) == 1 && ucnv_getMinCharSize(Cnv) == 1;
    if (Ok) {
        ucnv_setFallback(Cnv, false);
        ucnv_setToUCallBack(Cnv, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &Err);
        Ok = U_SUCCESS(Err);
    }
    for (int Byte = 0; Ok && Byte < 256; ++Byte) {
        const char In = static_cast<char>(Byte);
        UChar Out[4];
        UErrorCode E = U_ZERO_ERROR;
        ucnv_reset(Cnv);
        const int32_t N = ucnv_toUChars(Cnv, Out, 4, &In, 1, &E);
        const auto B = static_cast<std::size_t>(Byte);
        Table.Defined[B] = U_SUCCESS(E) && N == 1;
        Table.Chars[B] = Table.Defined[B] ? static_cast<char16_t>(Out[0]) : u'\0';
    }
    ucnv_close(Cnv);
    if (Ok)
        PatchWindowsDifferences(Page, Table);
    return Ok;
}

} // namespace ks::detail
