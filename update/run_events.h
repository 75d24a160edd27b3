// The run-log lines that are also reported as system events
// (platform/event_log.h): every failure line, and every installed package.
// The run log stays the primary report.
#pragma once

#include "platform/event_log.h"

struct RunEvent {
    const char* prefix;  // the log line's prefix, as the run writes it
    unsigned id;         // event ID in the program's message table
    plat::EventKind kind;
};

// Event ID of an installed package ("END COPY: <name>" after a successful
// install).
constexpr unsigned kInstalledEventId = 1;

// The table's row for a log line prefix; null for lines that are not reported.
const RunEvent* FindRunEvent(const char* prefix);

// Reports the log line "<prefix><text>[ <detail>]" when its prefix is in the
// table.
void ReportLogLine(const char* prefix, const char* text, const char* detail);

// Reports "END COPY: <packageName>" as an installed package.
void ReportInstalled(const char* packageName);
