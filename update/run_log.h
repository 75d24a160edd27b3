// The run log, TalCheckLog.txt in the current directory: one line per event,
//   "<computer> [hh:mm:ss] <prefix><text>[ <detail>]" CR LF
// with the prefix of the event's kind (update/log_event.h). The file is
// opened and closed for every line, so other programs can read it while a
// run goes on. kStart starts a new log; any other line is appended. A file that cannot be opened
// loses the line silently. Lines end in CR LF on every platform, so both builds write
// byte-identical logs.
#pragma once

#include <string>

#include "platform/system.h"
#include "vocabulary/log_event.h"

namespace update {

constexpr const char* kRunLogName = "TalCheckLog.txt";

// The line without its end: the stamp "%s [%02d:%02d:%02d] " from the
// computer name and the time, then the event's text (LogLineText) with its
// control characters written as \xNN (platform/printable_text.h).
std::string FormatLogLine(const char* computerName, const plat::TimeOfDay& time,
                          const vocab::LogEvent& event);

void WriteLog(const char* computerName, const vocab::LogEvent& event);

}  // namespace update
