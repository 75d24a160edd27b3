#include "app/run_guard.h"

#include <cstring>

#include "platform/http_limits.h"

void RunUpdateGuarded(const UpdateServices& services, const std::function<std::string()>& baseUrl) {
    bool ended = false;
    try {
        plat::SetHttpRunDeadline(plat::kRunTotalTime);
        UpdateServices watched = services;
        watched.writeLog = [&services, &ended](const char* prefix, const char* text,
                                               const char* detail, bool truncate) {
            services.writeLog(prefix, text, detail, truncate);
            if (std::strcmp(prefix, "END") == 0) ended = true;
        };
        RunUpdate(watched, baseUrl());
        return;
    } catch (...) {
        // Whatever step failed, the run still ends as every run does.
    }
    if (ended) return;
    try {
        services.writeLog("END", "", "", false);
    } catch (...) {
        // Not even the log can be written; the process still exits cleanly.
    }
}
