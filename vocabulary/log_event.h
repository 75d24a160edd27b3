// The run log's lines as typed events. Every room that logs (the run, the
// install step, recovery) hands events to one LogWriter; only the writer
// turns them into text (update/run_log.h) and system events
// (update/run_events.h). A line reads "<prefix><text>[ <detail>]".
#pragma once

#include <functional>
#include <string>

namespace vocab {

// One kind per prefix, in the order of kLogPrefixes.
enum class LogKind {
    kStart,  // the run's first line; starts a new log
    kStartDownload,
    kDownloadResumed,  // detail "(from byte <n>)"
    kPartRefused,      // detail "(<file>: <reason>)": a kept part not the program's own
    kEndDownload,
    kDownloadFailed,  // detail "(<reason>)", as are the other failures
    kFolderFailed,    // text: the line, as "5_1"
    kSignatureRefused,
    kStartCopy,
    kCopyFailed,  // detail "(<item>: <reason>)" or "(<reason>)"
    kCopyRefused,
    kEndCopy,    // after a package that was not placed
    kInstalled,  // "END COPY: " after a package placed whole
    kRecovered,  // text "install", detail "(<what was done>)"
    kRecoveryFailed,
    kStationUnsafe,  // text: the entry, detail "(<who> may change it)"; a privileged run stops
    kEnd,            // the run's last line
};

// clang-format off
constexpr const char* kLogPrefixes[] = {
    "START", "START DOWLOAD: ", "DOWLOAD RESUMED: ", "PART REFUSED: ", "END DOWLOAD: ",
    "DOWLOAD FAILED: ",
    "FOLDER FAILED: ", "SIGNATURE REFUSED: ", "START COPY: ", "COPY FAILED: ", "COPY REFUSED: ",
    "END COPY: ", "END COPY: ", "RECOVERED: ", "RECOVERY FAILED: ", "STATION UNSAFE: ",
    "END"};
// clang-format on
static_assert(sizeof kLogPrefixes / sizeof *kLogPrefixes == static_cast<int>(LogKind::kEnd) + 1,
              "one prefix per kind");

struct LogEvent {
    LogKind kind;
    std::string text;    // what the line is about: a package, a line, "install"
    std::string detail;  // empty for none
};

using LogWriter = std::function<void(const LogEvent& event)>;

inline const char* LogPrefix(LogKind kind) { return kLogPrefixes[static_cast<int>(kind)]; }

// Hands writeLog the event, when there is a writer.
inline void Log(const LogWriter& writeLog, LogKind kind, const std::string& text = "",
                const std::string& detail = "") {
    if (writeLog) writeLog(LogEvent{kind, text, detail});
}

// The line without its stamp.
inline std::string LogLineText(const LogEvent& event) {
    std::string line = LogPrefix(event.kind) + event.text;
    return event.detail.empty() ? line : line + " " + event.detail;
}

}  // namespace vocab
