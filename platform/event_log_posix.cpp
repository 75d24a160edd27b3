#include "platform/event_log.h"

#include <syslog.h>

#include <atomic>
#include <string>

#include "platform/printable_text.h"

namespace plat {
namespace {

void SendToSyslog(const char* ident, int priority, const char* text) {
    openlog(ident, LOG_PID, LOG_USER);
    syslog(priority, "%s", text);
    closelog();
}

std::atomic<SyslogSink> g_sink{&SendToSyslog};

int PriorityOf(EventKind kind) {
    switch (kind) {
        case EventKind::kError:
            return LOG_ERR;
        case EventKind::kWarning:
            return LOG_WARNING;
        default:
            return LOG_INFO;
    }
}

}  // namespace

void ReportSystemEvent(unsigned, EventKind kind, const char* text) {
    const std::string printable = PrintableText(text ? text : "");
    g_sink.load()(kEventSource, LOG_USER | PriorityOf(kind), printable.c_str());
}

void SetSyslogSinkForTesting(SyslogSink sink) { g_sink = sink ? sink : &SendToSyslog; }

}  // namespace plat
