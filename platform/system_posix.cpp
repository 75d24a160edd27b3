#include "platform/system.h"

#include <unistd.h>

#include <cctype>
#include <cstring>
#include <ctime>

namespace plat {

bool GetWorkingDirectory(char* buf, std::size_t size) { return ::getcwd(buf, size) != nullptr; }

bool GetComputerName(char* buf, std::size_t size) {
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) != 0) return false;
    host[std::strcspn(host, ".")] = '\0';
    std::size_t n = std::strlen(host);
    // GetComputerNameA fails when the name and its terminator exceed size.
    if (n + 1 > size) return false;
    for (std::size_t i = 0; i < n; ++i)
        buf[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(host[i])));
    buf[n] = '\0';
    return true;
}

TimeOfDay GetLocalTimeOfDay() {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    ::localtime_r(&now, &tm);
    return {tm.tm_hour, tm.tm_min, tm.tm_sec};
}

}  // namespace plat
