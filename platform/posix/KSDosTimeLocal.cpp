// KSDosTimeLocal.cpp -- DOS date-times as local time <-> Unix time (the C library's time zone).
#include <ctime>

#include "platform/KSDosTime.h"

namespace ks {

bool KSDosDateTimeToUnixTime(int32_t DosDateTime, int64_t& UnixTime) {
    if (!KSIsValidDosDateTime(DosDateTime))
        return false;
    const TKSDateTimeParts P = KSDecodeDosDateTime(DosDateTime);
    std::tm Tm{};
    Tm.tm_year = P.Year - 1900;
    Tm.tm_mon = P.Month - 1;
    Tm.tm_mday = P.Day;
    Tm.tm_hour = P.Hour;
    Tm.tm_min = P.Minute;
    Tm.tm_sec = P.Second;
    Tm.tm_isdst = -1; // let the time zone rules decide
    const std::time_t T = std::mktime(&Tm);
    if (T == static_cast<std::time_t>(-1)) {
        // -1 is also a valid time (1969-12-31 23:59:59 UTC), which no DOS value can reach.
        return false;
    }
    UnixTime = static_cast<int64_t>(T);
    return true;
}

int32_t KSUnixTimeToDosDateTime(int64_t UnixTime) {
    const auto T = static_cast<std::time_t>(UnixTime);
    std::tm Tm{};
    TKSDateTimeParts P;
    if (!localtime_r(&T, &Tm)) {
        P = UnixTime < 0 ? TKSDateTimeParts{} : TKSDateTimeParts{2107, 12, 31, 23, 59, 58};
    } else {
        P = {Tm.tm_year + 1900, Tm.tm_mon + 1, Tm.tm_mday,
             Tm.tm_hour,        Tm.tm_min,     Tm.tm_sec > 59 ? 59 : Tm.tm_sec};
        if (P.Year < 1980)
            P = TKSDateTimeParts{};
        else if (P.Year > 2107)
            P = TKSDateTimeParts{2107, 12, 31, 23, 59, 58};
    }
    int32_t V = 0;
    KSEncodeDosDateTime(P, V);
    return V;
}

} // namespace ks
