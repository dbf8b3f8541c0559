// KSWinDosTime.cpp -- DOS date-times (local time) <-> UTC through the system's time-zone rules.
//
// The local time is converted with the daylight-saving rule in force on that date
// (TzSpecificLocalTimeToSystemTime / SystemTimeToTzSpecificLocalTime), not with today's offset as
// LocalFileTimeToFileTime would: an item stamped 12:00 in July reads 12:00 again after
// extraction in January. A local time inside the spring-forward gap resolves forward.
#include "platform/KSDosTime.h"
#include "platform/win32/KSWinInternal.h"

namespace ks {

namespace win {

namespace {

// 100-ns intervals between 1601-01-01 and 1970-01-01.
constexpr int64_t kUnixEpochTicks = 116444736000000000LL;
constexpr int64_t kTicksPerSecond = 10000000LL;

int64_t Ticks(const FILETIME& Ft) {
    return static_cast<int64_t>((static_cast<uint64_t>(Ft.dwHighDateTime) << 32) | Ft.dwLowDateTime);
}

FILETIME FromTicks(int64_t T) {
    FILETIME Ft;
    Ft.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(T) & 0xFFFFFFFFu);
    Ft.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(T) >> 32);
    return Ft;
}

constexpr TKSDateTimeParts kFirst{1980, 1, 1, 0, 0, 0};
constexpr TKSDateTimeParts kLast{2107, 12, 31, 23, 59, 58};

int32_t Encode(const TKSDateTimeParts& P) {
    int32_t V = 0;
    KSEncodeDosDateTime(P, V);
    return V;
}

} // namespace

bool DosDateTimeToUtcFileTime(int32_t DosDateTime, FILETIME& Utc) {
    if (!KSIsValidDosDateTime(DosDateTime))
        return false;
    FILETIME Local;
    const auto U = static_cast<uint32_t>(DosDateTime);
    if (!DosDateTimeToFileTime(static_cast<WORD>(U >> 16), static_cast<WORD>(U & 0xFFFF), &Local))
        return false;
    SYSTEMTIME LocalSt, UtcSt;
    if (!FileTimeToSystemTime(&Local, &LocalSt) ||
        !TzSpecificLocalTimeToSystemTime(nullptr, &LocalSt, &UtcSt))
        return false;
    return SystemTimeToFileTime(&UtcSt, &Utc) != 0;
}

int32_t UtcFileTimeToDosDateTime(const FILETIME& Utc) {
    SYSTEMTIME UtcSt, LocalSt;
    if (!FileTimeToSystemTime(&Utc, &UtcSt) || !SystemTimeToTzSpecificLocalTime(nullptr, &UtcSt, &LocalSt))
        return Encode(Ticks(Utc) < kUnixEpochTicks ? kFirst : kLast);
    if (LocalSt.wYear < 1980)
        return Encode(kFirst);
    if (LocalSt.wYear > 2107)
        return Encode(kLast);
    return Encode({LocalSt.wYear, LocalSt.wMonth, LocalSt.wDay, LocalSt.wHour, LocalSt.wMinute,
                   LocalSt.wSecond > 59 ? 59 : LocalSt.wSecond});
}

} // namespace win

bool KSDosDateTimeToUnixTime(int32_t DosDateTime, int64_t& UnixTime) {
    FILETIME Utc;
    if (!win::DosDateTimeToUtcFileTime(DosDateTime, Utc))
        return false;
    UnixTime = (win::Ticks(Utc) - win::kUnixEpochTicks) / win::kTicksPerSecond;
    return true;
}

int32_t KSUnixTimeToDosDateTime(int64_t UnixTime) {
    // FILETIME covers 1601..30828; anything outside clamps to the DOS range's ends anyway.
    constexpr int64_t kMinUnix = -win::kUnixEpochTicks / win::kTicksPerSecond;
    constexpr int64_t kMaxUnix = (INT64_MAX - win::kUnixEpochTicks) / win::kTicksPerSecond;
    if (UnixTime <= kMinUnix)
        return win::Encode(win::kFirst);
    if (UnixTime >= kMaxUnix)
        return win::Encode(win::kLast);
    return win::UtcFileTimeToDosDateTime(
        win::FromTicks(UnixTime * win::kTicksPerSecond + win::kUnixEpochTicks));
}

} // namespace ks
