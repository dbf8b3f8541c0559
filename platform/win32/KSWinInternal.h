// KSWinInternal.h -- internal helpers shared by the Win32 backend's units (not a public header).
//
// Wide strings cross the Win32 boundary as std::wstring: wchar_t is a 16-bit UTF-16 unit on
// Windows, the same as TKSChar, so the conversion copies code units one for one.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/KSTypes.h"

namespace ks::win {

inline std::wstring ToW(const TKSString& S) {
    return std::wstring(S.begin(), S.end());
}
inline TKSString FromW(const wchar_t* S, std::size_t Len) {
    return TKSString(S, S + Len);
}
inline TKSString FromW(const std::wstring& S) {
    return TKSString(S.begin(), S.end());
}

// The name as the wide file calls take it: "/" turned into "\". A fully qualified name that is
// too long for the classic MAX_PATH limit gets the "\\?\" (or "\\?\UNC\") prefix after
// normalisation, so deep extraction targets still work.
std::wstring WinPath(const TKSString& FileName);

// The system's text for a Win32 error code, UTF-8, without the trailing line break.
std::string SysErrorMessage(DWORD Code);

// The TKSFileStream handle slot is an int: kernel handles are 32-bit values sign-extended to
// pointer width on 64-bit Windows (the documented rule for 32/64-bit handle sharing), so the
// round trip through int is lossless. INVALID_HANDLE_VALUE is -1 either way.
inline int HandleToSlot(HANDLE H) {
    return static_cast<int>(reinterpret_cast<intptr_t>(H));
}
inline HANDLE SlotToHandle(int Slot) {
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(Slot));
}

// DOS date-time (local time) -> UTC FILETIME, applying the daylight-saving rule of that date
// (not of today), so a summer time stamp stays right when extracted in winter. False for an
// invalid value.
bool DosDateTimeToUtcFileTime(int32_t DosDateTime, FILETIME& Utc);
// UTC FILETIME -> DOS date-time in local time under the rule of that date. Times before
// 1980-01-01 give 1980-01-01 00:00:00, times after 2107-12-31 23:59:58 give that last value.
int32_t UtcFileTimeToDosDateTime(const FILETIME& Utc);

// Writes UTF-8 text to a console screen buffer as UTF-16 characters. The bytes of a character cut
// at the end of Text wait in Pending for the next call. "\033[K" clears from the cursor to the end
// of its line, done here through the screen buffer, so it works whether or not the console reads
// escape sequences, and without changing the console's modes. False when the console refuses.
bool WriteConsoleText(HANDLE Console, std::string& Pending, std::string_view Text);

} // namespace ks::win
