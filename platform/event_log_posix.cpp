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

}  // namespace

void ReportSystemEvent(unsigned, EventKind kind, const char* text) {
    static constexpr int kPriorities[] = {LOG_INFO, LOG_WARNING, LOG_ERR};  // by EventKind
    const std::string printable = PrintableText(text ? text : "");
    g_sink.load()(kEventSource, LOG_USER | kPriorities[static_cast<int>(kind)], printable.c_str());
}

void SetSyslogSinkForTesting(SyslogSink sink) { g_sink = sink ? sink : &SendToSyslog; }

}  // namespace plat
