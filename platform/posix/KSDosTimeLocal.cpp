// KSDosTimeLocal.cpp -- DOS date-times as local time <-> Unix time (the C library's time zone).
#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <string>
#include <unordered_map>

#include "platform/KSDosTime.h"

namespace ks {

namespace {

std::tm WallClock(const TKSDateTimeParts& P, int Minute, int Second) {
    std::tm Tm{};
    Tm.tm_year = P.Year - 1900;
    Tm.tm_mon = P.Month - 1;
    Tm.tm_mday = P.Day;
    Tm.tm_hour = P.Hour;
    Tm.tm_min = Minute;
    Tm.tm_sec = Second;
    return Tm;
}

// One reading of a wall-clock time: mktime with the given daylight flag. Valid when the result
// shows the same wall clock again (the flag fits the zone's rules at that moment).
bool Reading(const TKSDateTimeParts& P, int Minute, int Second, int IsDst, int64_t& UnixTime, bool& Valid) {
    std::tm Tm = WallClock(P, Minute, Second);
    Tm.tm_isdst = IsDst;
    const std::time_t T = std::mktime(&Tm);
    // -1 is also a valid time (1969-12-31 23:59:59 UTC), which no DOS value can reach.
    if (T == static_cast<std::time_t>(-1))
        return false;
    UnixTime = static_cast<int64_t>(T);
    // The wall clock normalised as mktime does (minute 60 is the next hour), for the comparison.
    std::tm Want = WallClock(P, Minute, Second);
    const std::time_t Norm = timegm(&Want);
    gmtime_r(&Norm, &Want);
    std::tm Back{};
    Valid = localtime_r(&T, &Back) && Back.tm_year == Want.tm_year && Back.tm_mon == Want.tm_mon &&
            Back.tm_mday == Want.tm_mday && Back.tm_hour == Want.tm_hour && Back.tm_min == Want.tm_min &&
            Back.tm_sec == Want.tm_sec;
    return true;
}

// The Unix time of a local wall-clock time, the same whatever was converted before (mktime on its
// own guesses the daylight flag from its previous calls). A time that occurs twice (the hour
// repeated when clocks go back) is its first occurrence; a time that never occurs (skipped when
// clocks go forward) is read with the offset in force before the change, so it lands as far
// after the change as it lies after the gap's start.
bool LocalToUnix(const TKSDateTimeParts& P, int Minute, int Second, int64_t& UnixTime) {
    int64_t Std = 0, Dst = 0;
    bool StdValid = false, DstValid = false;
    const bool HaveStd = Reading(P, Minute, Second, 0, Std, StdValid);
    const bool HaveDst = Reading(P, Minute, Second, 1, Dst, DstValid);
    if (HaveStd && StdValid && HaveDst && DstValid) {
        UnixTime = std::min(Std, Dst);
        return true;
    }
    if ((HaveStd && StdValid) || (HaveDst && DstValid)) {
        UnixTime = HaveStd && StdValid ? Std : Dst;
        return true;
    }
    if (HaveStd && HaveDst) {
        UnixTime = std::max(Std, Dst);
        return true;
    }
    if (HaveStd || HaveDst) {
        UnixTime = HaveStd ? Std : Dst;
        return true;
    }
    return false;
}

// mktime re-reads the zone rules on every call, which is the main cost of stamping many files.
// The start of each local hour is remembered (per TZ value) when that hour is a plain one: the
// next hour begins exactly 3600 s later, so no offset change falls inside it and every time in
// it is the start plus minutes and seconds. Hours holding a change always go to mktime.
struct THourCache {
    std::mutex Lock;
    std::string Tz;
    bool HaveTz = false;
    std::unordered_map<int32_t, int64_t> Starts;
};

THourCache& HourCache() {
    static THourCache C;
    return C;
}

} // namespace

bool KSDosDateTimeToUnixTime(int32_t DosDateTime, int64_t& UnixTime) {
    if (!KSIsValidDosDateTime(DosDateTime))
        return false;
    const TKSDateTimeParts P = KSDecodeDosDateTime(DosDateTime);
    const int32_t HourKey = DosDateTime >> 11; // date and hour
    THourCache& C = HourCache();
    std::lock_guard<std::mutex> G(C.Lock);
    const char* Tz = std::getenv("TZ");
    if (C.HaveTz != (Tz != nullptr) || (Tz && C.Tz != Tz)) {
        C.Starts.clear();
        C.HaveTz = Tz != nullptr;
        C.Tz = Tz ? Tz : "";
    }
    const auto It = C.Starts.find(HourKey);
    if (It != C.Starts.end()) {
        UnixTime = It->second + P.Minute * 60 + P.Second;
        return true;
    }
    if (!LocalToUnix(P, P.Minute, P.Second, UnixTime))
        return false;
    int64_t Start = 0, End = 0;
    if (LocalToUnix(P, 0, 0, Start) && LocalToUnix(P, 60, 0, End) && End - Start == 3600 &&
        Start + P.Minute * 60 + P.Second == UnixTime) {
        if (C.Starts.size() >= 65536)
            C.Starts.clear();
        C.Starts.emplace(HourKey, Start);
    }
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
