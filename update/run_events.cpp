#include "update/run_events.h"

#include <string>

namespace update {

namespace {

using plat::EventKind;

// One row per reported event; the IDs match res/talcheck_events.mc.
constexpr RunEvent kRunEvents[] = {
    {LogKind::kInstalled, 1, EventKind::kInformation},
    {LogKind::kFolderFailed, 100, EventKind::kError},
    {LogKind::kDownloadFailed, 101, EventKind::kError},
    {LogKind::kSignatureRefused, 102, EventKind::kError},
    {LogKind::kCopyFailed, 103, EventKind::kError},
    {LogKind::kCopyRefused, 104, EventKind::kError},
    {LogKind::kRecovered, 105, EventKind::kWarning},
    {LogKind::kRecoveryFailed, 106, EventKind::kError},
    {LogKind::kStationUnsafe, 107, EventKind::kError},
};

}  // namespace

const RunEvent* FindRunEvent(LogKind kind) {
    for (const RunEvent& event : kRunEvents)
        if (event.kind == kind) return &event;
    return nullptr;
}

void ReportLogEvent(const LogEvent& event) {
    if (const RunEvent* row = FindRunEvent(event.kind))
        plat::ReportSystemEvent(row->id, row->severity, LogLineText(event).c_str());
}

}  // namespace update
