// The run log's lines as typed events. Every room that logs (the run, the
// install step, recovery) hands events to one LogWriter; only the writer
// turns them into text (update/run_log.h) and system events
// (update/run_events.h). The end of a run is the event kEnd.
#pragma once

#include <functional>
#include <string>

namespace update {

enum class LogKind {
    kStart,             // "START", the run's first line; starts a new log
    kStartDownload,     // "START DOWLOAD: <package>"
    kDownloadResumed,   // "DOWLOAD RESUMED: <package> (from byte <n>)"
    kEndDownload,       // "END DOWLOAD: <package>"
    kDownloadFailed,    // "DOWLOAD FAILED: <package> (<reason>)"
    kFolderFailed,      // "FOLDER FAILED: <line> (<reason>)"
    kSignatureRefused,  // "SIGNATURE REFUSED: <package> (<reason>)"
    kStartCopy,         // "START COPY: <package>"
    kCopyFailed,        // "COPY FAILED: <package> (<item>: <reason>)"
    kCopyRefused,       // "COPY REFUSED: <package> (<item>: <reason>)"
    kEndCopy,           // "END COPY: <package>" after a package that was not placed
    kInstalled,         // "END COPY: <package>" after a package placed whole
    kRecovered,         // "RECOVERED: install (<what was done>)"
    kRecoveryFailed,    // "RECOVERY FAILED: install (<why>)"
    kEnd,               // "END", the run's last line
};

struct LogEvent {
    LogKind kind;
    std::string text;    // what the line is about: a package, a line, "install"
    std::string detail;  // "(...)" after a blank; empty for none
};

using LogWriter = std::function<void(const LogEvent& event)>;

// The line's text before the event's text, exactly as it is logged; one
// per LogKind, in its order.
constexpr const char* kLogPrefixes[] = {"START",
                                        "START DOWLOAD: ",
                                        "DOWLOAD RESUMED: ",
                                        "END DOWLOAD: ",
                                        "DOWLOAD FAILED: ",
                                        "FOLDER FAILED: ",
                                        "SIGNATURE REFUSED: ",
                                        "START COPY: ",
                                        "COPY FAILED: ",
                                        "COPY REFUSED: ",
                                        "END COPY: ",
                                        "END COPY: ",
                                        "RECOVERED: ",
                                        "RECOVERY FAILED: ",
                                        "END"};
static_assert(sizeof kLogPrefixes / sizeof *kLogPrefixes == static_cast<int>(LogKind::kEnd) + 1,
              "one prefix per kind");

inline const char* LogPrefix(LogKind kind) { return kLogPrefixes[static_cast<int>(kind)]; }

// The line without its stamp: "<prefix><text>[ <detail>]".
inline std::string LogLineText(const LogEvent& event) {
    std::string line = LogPrefix(event.kind) + event.text;
    return event.detail.empty() ? line : line + " " + event.detail;
}

}  // namespace update
