#include "update/run_log.h"

#include <cstdio>

#include "platform/scoped_handle.h"

namespace {

struct FileTraits {
    using Handle = std::FILE*;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { std::fclose(h); }
};

}  // namespace

std::string FormatLogLine(const char* computerName, const plat::TimeOfDay& time, const char* prefix,
                          const char* text, const char* detail) {
    char stamp[128] = {};
    std::snprintf(stamp, sizeof stamp, "%s [%02d:%02d:%02d] ", computerName, time.hour, time.minute,
                  time.second);
    std::string line = stamp;
    line += prefix;
    line += text;
    if (*detail) {
        line += ' ';
        line += detail;
    }
    return line;
}

void WriteLog(const char* computerName, const char* prefix, const char* text, const char* detail,
              bool truncate) {
    // Binary mode with an explicit CR LF: the bytes a Windows text-mode
    // stream writes, on both platforms.
    plat::ScopedHandle<FileTraits> file(std::fopen(kRunLogName, truncate ? "wb+" : "ab+"));
    if (!file) return;
    std::string line =
        FormatLogLine(computerName, plat::GetLocalTimeOfDay(), prefix, text, detail) + "\r\n";
    std::fputs(line.c_str(), file.get());
}
