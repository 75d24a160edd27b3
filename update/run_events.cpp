#include "update/run_events.h"

#include <cstring>
#include <string>

namespace {

using plat::EventKind;

// One row per reported line; the IDs match res/talcheck_events.mc.
constexpr RunEvent kRunEvents[] = {
    {"FOLDER FAILED: ", 100, EventKind::kError},
    {"DOWLOAD FAILED: ", 101, EventKind::kError},
    {"SIGNATURE REFUSED: ", 102, EventKind::kError},
    {"COPY FAILED: ", 103, EventKind::kError},
    {"COPY REFUSED: ", 104, EventKind::kError},
    {"RECOVERED: ", 105, EventKind::kWarning},
    {"RECOVERY FAILED: ", 106, EventKind::kError},
};

}  // namespace

const RunEvent* FindRunEvent(const char* prefix) {
    if (!prefix) return nullptr;
    for (const RunEvent& event : kRunEvents)
        if (std::strcmp(event.prefix, prefix) == 0) return &event;
    return nullptr;
}

void ReportLogLine(const char* prefix, const char* text, const char* detail) {
    const RunEvent* event = FindRunEvent(prefix);
    if (!event) return;
    std::string line = std::string(prefix) + (text ? text : "");
    if (detail && *detail) line.append(" ").append(detail);
    plat::ReportSystemEvent(event->id, event->kind, line.c_str());
}

void ReportInstalled(const char* packageName) {
    std::string line = std::string("END COPY: ") + (packageName ? packageName : "");
    plat::ReportSystemEvent(kInstalledEventId, EventKind::kInformation, line.c_str());
}
