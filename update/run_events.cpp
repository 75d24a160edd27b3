#include "update/run_events.h"

#include <string>

namespace update {

namespace {

using plat::EventKind;

// One row per reported event; the IDs match res/talcheck_events.mc.
constexpr RunEvent kRunEvents[] = {
    {vocab::LogKind::kInstalled, 1, EventKind::kInformation},
    {vocab::LogKind::kFolderFailed, 100, EventKind::kError},
    {vocab::LogKind::kDownloadFailed, 101, EventKind::kError},
    {vocab::LogKind::kSignatureRefused, 102, EventKind::kError},
    {vocab::LogKind::kCopyFailed, 103, EventKind::kError},
    {vocab::LogKind::kCopyRefused, 104, EventKind::kError},
    {vocab::LogKind::kRecovered, 105, EventKind::kWarning},
    {vocab::LogKind::kRecoveryFailed, 106, EventKind::kError},
    {vocab::LogKind::kStationUnsafe, 107, EventKind::kError},
};

}  // namespace

const RunEvent* FindRunEvent(vocab::LogKind kind) {
    for (const RunEvent& event : kRunEvents)
        if (event.kind == kind) return &event;
    return nullptr;
}

void ReportLogEvent(const vocab::LogEvent& event) {
    if (const RunEvent* row = FindRunEvent(event.kind))
        plat::ReportSystemEvent(row->id, row->severity, vocab::LogLineText(event).c_str());
}

}  // namespace update
