// KSDosTimeParts.cpp -- packing and unpacking MS-DOS date-time values.
#include "platform/KSDosTime.h"

namespace ks {

namespace {

bool IsLeap(int Y) {
    return (Y % 4 == 0 && Y % 100 != 0) || Y % 400 == 0;
}

int DaysInMonth(int Y, int M) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return (M == 2 && IsLeap(Y)) ? 29 : kDays[M - 1];
}

bool InRange(const TKSDateTimeParts& P) {
    return P.Year >= 1980 && P.Year <= 2107 && P.Month >= 1 && P.Month <= 12 && P.Day >= 1 &&
           P.Day <= DaysInMonth(P.Year, P.Month) && P.Hour >= 0 && P.Hour <= 23 && P.Minute >= 0 &&
           P.Minute <= 59 && P.Second >= 0 && P.Second <= 59;
}

} // namespace

bool KSEncodeDosDateTime(const TKSDateTimeParts& P, int32_t& DosDateTime) {
    if (!InRange(P))
        return false;
    const uint32_t Date = (static_cast<uint32_t>(P.Year - 1980) << 9) |
                          (static_cast<uint32_t>(P.Month) << 5) | static_cast<uint32_t>(P.Day);
    const uint32_t Time = (static_cast<uint32_t>(P.Hour) << 11) | (static_cast<uint32_t>(P.Minute) << 5) |
                          static_cast<uint32_t>(P.Second / 2);
    DosDateTime = static_cast<int32_t>((Date << 16) | Time);
    return true;
}

TKSDateTimeParts KSDecodeDosDateTime(int32_t DosDateTime) {
    const auto V = static_cast<uint32_t>(DosDateTime);
    const uint32_t Date = V >> 16, Time = V & 0xFFFF;
    TKSDateTimeParts P;
    P.Year = 1980 + static_cast<int>(Date >> 9);
    P.Month = static_cast<int>((Date >> 5) & 0x0F);
    P.Day = static_cast<int>(Date & 0x1F);
    P.Hour = static_cast<int>(Time >> 11);
    P.Minute = static_cast<int>((Time >> 5) & 0x3F);
    P.Second = static_cast<int>(Time & 0x1F) * 2;
    return P;
}

bool KSIsValidDosDateTime(int32_t DosDateTime) {
    return InRange(KSDecodeDosDateTime(DosDateTime));
}

} // namespace ks
