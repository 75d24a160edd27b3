#include "platform/event_log.h"

#include <string>

#include "platform/printable_text.h"
#include "platform/scoped_handle.h"
#include "platform/win.h"

namespace plat {
namespace {

struct EventSourceTraits {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::DeregisterEventSource(h); }
};

WORD TypeOf(EventKind kind) {
    switch (kind) {
        case EventKind::kError:
            return EVENTLOG_ERROR_TYPE;
        case EventKind::kWarning:
            return EVENTLOG_WARNING_TYPE;
        default:
            return EVENTLOG_INFORMATION_TYPE;
    }
}

}  // namespace

void ReportSystemEvent(unsigned eventId, EventKind kind, const char* text) {
    ScopedHandle<EventSourceTraits> source(::RegisterEventSourceA(nullptr, kEventSource));
    if (!source) return;
    const std::string printable = PrintableText(text ? text : "");
    const char* strings[1] = {printable.c_str()};
    ::ReportEventA(source.get(), TypeOf(kind), 0, eventId, nullptr, 1, 0, strings, nullptr);
}

void SetSyslogSinkForTesting(SyslogSink) {}

}  // namespace plat
