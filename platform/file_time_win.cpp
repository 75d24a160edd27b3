#include "platform/file_time.h"

#include "platform/win.h"

namespace plat {

bool LocalCalendarToFileTime(const CalendarTime& t, FileTime* result) {
    if (!IsValidCalendarTime(t)) return false;
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
