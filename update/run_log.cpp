#include "update/run_log.h"

#include <cstdio>

#include "platform/file_handle.h"
#include "platform/file_system.h"
#include "platform/file_trust.h"
#include "platform/printable_text.h"

namespace update {

namespace {

// Whether the file under name has a second link, which may name a file
// outside the folder.
bool HasSecondLink(const char* name) {
    plat::File file = plat::File::OpenForRead(name);
    return file.valid() && plat::JudgeOpenFile(file) == plat::FileTrust::kLinked;
}

// Opens the log without following a link planted under its name, nor
// writing through a hard link planted there: the name itself goes, and the
// log is made anew beside whatever it named.
plat::File OpenRunLog(bool truncate) {
    plat::File file = plat::File::OpenForAppend(kRunLogName, truncate);
    if (file.valid()) return file;
    const plat::PathKind kind = plat::InspectPath(kRunLogName);
    if (kind == plat::PathKind::kLink) {
        if (!plat::RemoveFile(kRunLogName)) plat::RemoveDirectoryLevel(kRunLogName);
    } else if (kind != plat::PathKind::kFile || !HasSecondLink(kRunLogName) ||
               !plat::RemoveFile(kRunLogName)) {
        return file;
    }
    return plat::File::OpenForAppend(kRunLogName, truncate);
}

}  // namespace

std::string FormatLogLine(const char* computerName, const plat::TimeOfDay& time,
                          const vocab::LogEvent& event) {
    char stamp[128] = {};
    std::snprintf(stamp, sizeof stamp, "%s [%02d:%02d:%02d] ", computerName, time.hour, time.minute,
                  time.second);
    // The computer name is the system's, kept as it is in any code page; the
    // text carries names from servers and packages.
    return stamp + plat::PrintableText(vocab::LogLineText(event));
}

void WriteLog(const char* computerName, const vocab::LogEvent& event) {
    plat::File file = OpenRunLog(event.kind == vocab::LogKind::kStart);
    if (!file.valid()) return;
    // An explicit CR LF: the bytes a Windows text-mode stream writes, on both
    // platforms.
    std::string line = FormatLogLine(computerName, plat::GetLocalTimeOfDay(), event) + "\r\n";
    file.Write(line.data(), line.size());
}

}  // namespace update
