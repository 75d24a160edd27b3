#include "platform/file_time.h"

#include "platform/win.h"

namespace plat {

bool LocalCalendarToFileTime(const CalendarTime& t, FileTime* result) {
    if (t.year < 0 || t.year > 0xFFFF || t.month < 0 || t.month > 0xFFFF || t.day < 0 ||
        t.day > 0xFFFF || t.hour < 0 || t.hour > 0xFFFF || t.minute < 0 || t.minute > 0xFFFF ||
        t.second < 0 || t.second > 0xFFFF || t.milliseconds < 0 || t.milliseconds > 0xFFFF)
        return false;
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(t.year);
    st.wMonth = static_cast<WORD>(t.month);
    st.wDay = static_cast<WORD>(t.day);
    st.wHour = static_cast<WORD>(t.hour);
    st.wMinute = static_cast<WORD>(t.minute);
    st.wSecond = static_cast<WORD>(t.second);
    st.wMilliseconds = static_cast<WORD>(t.milliseconds);
    FILETIME local, utc;
    if (!::SystemTimeToFileTime(&st, &local)) return false;
    if (!::LocalFileTimeToFileTime(&local, &utc)) return false;
    *result = (static_cast<FileTime>(utc.dwHighDateTime) << 32) | utc.dwLowDateTime;
    return true;
}

}  // namespace plat
