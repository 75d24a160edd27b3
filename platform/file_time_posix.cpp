#include "platform/file_time.h"

#include <ctime>

namespace plat {

namespace {

// Days from 1601-01-01 to the given date (proleptic Gregorian).
std::int64_t DaysSince1601(int year, int month, int day) {
    std::int64_t y = year - 1601;
    std::int64_t days = y * 365 + y / 4 - y / 100 + y / 400;
    for (int m = 1; m < month; ++m) days += DaysInMonth(year, m);
    return days + day - 1;
}

// Local time minus UTC, in seconds, as it is now (LocalFileTimeToFileTime
// uses the current bias, whatever the date converted).
long CurrentBiasSeconds() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    return local.tm_gmtoff;
}

}  // namespace

bool LocalCalendarToFileTime(const CalendarTime& t, FileTime* result) {
    if (!IsValidCalendarTime(t)) return false;
    std::int64_t seconds = DaysSince1601(t.year, t.month, t.day) * 86400 + t.hour * 3600 +
                           t.minute * 60 + t.second - CurrentBiasSeconds();
    std::int64_t ticks = seconds * 10000000 + static_cast<std::int64_t>(t.milliseconds) * 10000;
    if (ticks < 0) return false;
    *result = static_cast<FileTime>(ticks);
    return true;
}

}  // namespace plat
