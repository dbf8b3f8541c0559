// KSDosTime.h -- MS-DOS date-time values and their conversion to and from Unix time.
//
// A DOS date-time is a signed 32-bit value: the date in the upper 16 bits (bits 9-15 year - 1980,
// 5-8 month, 0-4 day) and the time in the lower 16 bits (bits 11-15 hour, 5-10 minute, 0-4
// seconds / 2). It carries no time zone: it is read and written as the local time of the process.
#pragma once

#include <cstdint>

namespace ks {

struct TKSDateTimeParts {
    int Year = 1980; // 1980..2107
    int Month = 1;   // 1..12
    int Day = 1;     // 1..31
    int Hour = 0;    // 0..23
    int Minute = 0;  // 0..59
    int Second = 0;  // 0..59 (stored with two-second resolution)
    bool operator==(const TKSDateTimeParts&) const = default;
};

// Packs the fields; odd seconds round down. Returns false when a field is out of range.
bool KSEncodeDosDateTime(const TKSDateTimeParts& Parts, int32_t& DosDateTime);
// Unpacks without validation of the day against the month.
TKSDateTimeParts KSDecodeDosDateTime(int32_t DosDateTime);
// True when every field of the value is in range and the day exists in its month.
bool KSIsValidDosDateTime(int32_t DosDateTime);

// The Unix time (seconds since 1970-01-01 UTC) of a DOS value read as local time. Returns false
// for an invalid value. A local time that falls into a daylight-saving gap resolves forward.
bool KSDosDateTimeToUnixTime(int32_t DosDateTime, int64_t& UnixTime);

// The DOS value of a Unix time in local time; odd seconds round down; times before 1980-01-01
// give 1980-01-01 00:00:00 and times after 2107-12-31 23:59:58 give that last value.
int32_t KSUnixTimeToDosDateTime(int64_t UnixTime);

} // namespace ks
