#include "app/run_guard.h"

#include "platform/http_limits.h"

void RunUpdateGuarded(const update::UpdateServices& services,
                      const std::function<std::string()>& baseUrl) {
    bool ended = false;
    try {
        plat::SetHttpRunDeadline(plat::kRunTotalTime);
        update::UpdateServices watched = services;
        watched.writeLog = [&services, &ended](const update::LogEvent& event) {
            services.writeLog(event);
            if (event.kind == update::LogKind::kEnd) ended = true;
        };
        update::RunUpdate(watched, baseUrl());
        return;
    } catch (...) {
        // Whatever step failed, the run still ends as every run does.
    }
    if (ended) return;
    try {
        services.writeLog(update::LogEvent{update::LogKind::kEnd, "", ""});
    } catch (...) {
        // Not even the log can be written; the process still exits cleanly.
    }
}
