#include "platform/system.h"

#include <direct.h>

#include "platform/win.h"

// <windows.h> maps GetComputerName to GetComputerNameA; this file defines
// plat::GetComputerName under its own name.
#undef GetComputerName

namespace plat {

bool GetWorkingDirectory(char* buf, std::size_t size) {
    return _getcwd(buf, static_cast<int>(size)) != nullptr;
}

bool GetComputerName(char* buf, std::size_t size) {
    DWORD n = static_cast<DWORD>(size);
    return ::GetComputerNameA(buf, &n) != FALSE;
}

TimeOfDay GetLocalTimeOfDay() {
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    return {st.wHour, st.wMinute, st.wSecond};
}

}  // namespace plat
