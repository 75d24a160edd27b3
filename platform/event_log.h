// The system's event report: the Application event log on Windows, syslog on
// POSIX. Reports are a copy of what the run log says; nothing depends on
// them arriving. Both write the text with control characters as \xNN
// (platform/printable_text.h).
//
// Windows: RegisterEventSourceA(nullptr, "TalCheck"), ReportEventA with the
// event ID and one insertion string (the text), DeregisterEventSource. The
// program's message table (res/talcheck_events.mc) gives every event ID the
// message "%1", so the event shows the text as it is. The source must be
// registered (the key TalCheck below the Application log's key of
// HKLM\SYSTEM\CurrentControlSet\Services\EventLog, with EventMessageFile
// the program's path and TypesSupported 7) for the viewer to find that
// table; without it the events are still written, with a note that their
// description is missing.
//
// POSIX: syslog(3) with the ident "TalCheck", the facility LOG_USER and the
// priority of the kind (LOG_INFO, LOG_WARNING, LOG_ERR); the event ID is not
// sent.
#pragma once

namespace plat {

enum class EventKind { kInformation, kWarning, kError };

constexpr const char* kEventSource = "TalCheck";

void ReportSystemEvent(unsigned eventId, EventKind kind, const char* text);

// POSIX, for tests: the syslog call is replaced by sink (null restores it).
using SyslogSink = void (*)(const char* ident, int priority, const char* text);
void SetSyslogSinkForTesting(SyslogSink sink);

}  // namespace plat
