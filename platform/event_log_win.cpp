#include "platform/event_log.h"

#include <string>

#include "platform/printable_text.h"
#include "platform/scoped_handle.h"
#include "platform/win.h"

namespace plat {

void ReportSystemEvent(unsigned eventId, EventKind kind, const char* text) {
    static constexpr WORD kTypes[] = {EVENTLOG_INFORMATION_TYPE, EVENTLOG_WARNING_TYPE,
                                      EVENTLOG_ERROR_TYPE};  // by EventKind
    ScopedHandle<ClosedBy<HANDLE, &::DeregisterEventSource>> source(
        ::RegisterEventSourceA(nullptr, kEventSource));
    if (!source) return;
    const std::string printable = PrintableText(text ? text : "");
    const char* strings[1] = {printable.c_str()};
    ::ReportEventA(source.get(), kTypes[static_cast<int>(kind)], 0, eventId, nullptr, 1, 0, strings,
                   nullptr);
}

void SetSyslogSinkForTesting(SyslogSink) {}

}  // namespace plat
