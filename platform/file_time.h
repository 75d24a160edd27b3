// Local calendar time to FILETIME, for DOS time stamps of archive items.
#pragma once

#include "platform/file_handle.h"

namespace plat {

struct CalendarTime {
    int year;
    int month;  // 1..12
    int day;    // 1..31
    int hour;
    int minute;
    int second;
    int milliseconds;
};

// The checks of SystemTimeToFileTime: a real date of 1601..30827 and a time
// of day. Both backends apply them themselves (not every implementation of
// the Windows call checks the day against the month).
bool IsValidCalendarTime(const CalendarTime& t);
int DaysInMonth(int year, int month);  // 0 for no month

// SystemTimeToFileTime followed by LocalFileTimeToFileTime: the calendar
// time is read as local time and converted to UTC with the time zone's
// current bias (as Windows does, not the bias in force on that date).
// False, *result untouched, for no valid calendar time (month or day 0,
// hour 24, second 60, year outside 1601..30827).
bool LocalCalendarToFileTime(const CalendarTime& local, FileTime* result);

}  // namespace plat
