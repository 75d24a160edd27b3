// The run-log events that are also reported as system events
// (platform/event_log.h): every failure, every recovery, and every
// installed package. The run log stays the primary report.
#pragma once

#include "platform/event_log.h"
#include "vocabulary/log_event.h"

namespace update {

struct RunEvent {
    vocab::LogKind kind;  // the log event reported
    unsigned id;          // event ID in the program's message table
    plat::EventKind severity;
};

// The table's row for a kind of log event; null for events that are not reported.
const RunEvent* FindRunEvent(vocab::LogKind kind);

// Reports the event's log line "<prefix><text>[ <detail>]" when its kind is
// in the table.
void ReportLogEvent(const vocab::LogEvent& event);

}  // namespace update
