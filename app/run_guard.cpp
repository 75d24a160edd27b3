#include "app/run_guard.h"

#include "platform/http_limits.h"

namespace app {

void RunUpdateGuarded(const vocab::LogWriter& log, const std::function<RunStart()>& start) {
    bool ended = false;
    try {
        plat::SetHttpRunDeadline(plat::kRunTotalTime);
        RunStart run = start();
        run.services.writeLog = [&log, &ended](const vocab::LogEvent& event) {
            log(event);
            if (event.kind == vocab::LogKind::kEnd) ended = true;
        };
        update::RunUpdate(run.services, run.baseUrl);
        return;
    } catch (...) {
        // Whatever step failed, the run still ends as every run does.
    }
    if (ended) return;
    try {
        log(vocab::LogEvent{vocab::LogKind::kEnd, "", ""});
    } catch (...) {
        // Not even the log can be written; the process still exits cleanly.
    }
}

}  // namespace app
