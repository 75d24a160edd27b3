#include "platform/file_time.h"

#include <ctime>

namespace plat {

namespace {

bool IsLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

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
    // The checks of SystemTimeToFileTime.
    if (t.year < 1601 || t.year > 30827 || t.month < 1 || t.month > 12 || t.day < 1 ||
        t.day > DaysInMonth(t.year, t.month) || t.hour < 0 || t.hour > 23 || t.minute < 0 ||
        t.minute > 59 || t.second < 0 || t.second > 59 || t.milliseconds < 0 ||
        t.milliseconds > 999)
        return false;
    std::int64_t seconds = DaysSince1601(t.year, t.month, t.day) * 86400 + t.hour * 3600 +
                           t.minute * 60 + t.second - CurrentBiasSeconds();
    std::int64_t ticks = seconds * 10000000 + static_cast<std::int64_t>(t.milliseconds) * 10000;
    if (ticks < 0) return false;
    *result = static_cast<FileTime>(ticks);
    return true;
}

}  // namespace plat
