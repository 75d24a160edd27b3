#include "installation/staging.h"

#include <cstring>

#include "installation/archive_names.h"
#include "installation/package_check.h"
#include "platform/file_system.h"

namespace {

constexpr const char* kJournalName = "journal";
// A journal of the largest package is far smaller; anything bigger is no journal of ours.
constexpr std::size_t kMaxJournalSize = 64u << 20;

bool ReadWhole(const std::string& path, std::string* text) {
    plat::File file = plat::File::OpenForRead(path.c_str());
    if (!file.valid()) return false;
    char buffer[16384];
    for (;;) {
        std::int64_t n = file.Read(buffer, sizeof buffer);
        if (n < 0 || text->size() > kMaxJournalSize) return false;
        if (n == 0) return true;
        text->append(buffer, static_cast<std::size_t>(n));
    }
}

// A staged name is a number, "b" and a number, or "target"; a path must
// obey the name rules, so a tampered journal cannot reach outside install.
bool EntryIsSound(const JournalEntry& e, const std::string& install) {
    if (e.kind == 'C') return true;
    if (e.kind == 'B' || e.kind == 'P') {
        if (e.staged.empty() || e.staged.find_first_of("/\\.:") != std::string::npos) return false;
    }
    const char* path = e.path.c_str();
    return (e.kind == 'D' || e.kind == 'B' || e.kind == 'P') && !e.path.empty() &&
           StripItemName(path) == path && RefuseItemName(path, true, install.c_str()) == nullptr;
}

std::vector<JournalEntry> ParseJournal(const std::string& text, const std::string& install) {
    std::vector<JournalEntry> entries;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) break;  // a line cut short was never acted on
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        JournalEntry e{line.empty() ? '\0' : line[0], "", ""};
        std::string rest = line.size() > 2 ? line.substr(2) : "";
        if (e.kind == 'B' || e.kind == 'P') {
            std::size_t blank = rest.find(' ');
            if (blank == std::string::npos) continue;
            e.staged = rest.substr(0, blank);
            e.path = rest.substr(blank + 1);
        } else {
            e.path = rest;
        }
        if (EntryIsSound(e, install)) entries.push_back(e);
    }
    return entries;
}

}  // namespace

Staging::Staging(const std::string& installDirectory)
    : install_(installDirectory), folder_(installDirectory + "/" + kStagingName) {}

bool Staging::Create() {
    if (!plat::CreateDirectoryLevel(folder_.c_str())) return false;
    plat::SetAttributes(folder_.c_str(), plat::kAttrHidden);
    journal_ = plat::File::CreateNew(Path(kJournalName).c_str(), plat::kAttrArchive);
    if (!journal_.valid()) plat::RemoveTree(folder_.c_str(), nullptr);
    return journal_.valid();
}

bool Staging::Record(char kind, const std::string& staged, const std::string& path) {
    std::string line(1, kind);
    if (!staged.empty()) line += " " + staged;
    if (!path.empty()) line += " " + path;
    line += "\n";
    entries_.push_back(JournalEntry{kind, staged, path});
    return journal_.valid() && journal_.Write(line.data(), line.size());
}

bool Staging::RollBack() {
    bool complete = true;
    for (auto e = entries_.rbegin(); e != entries_.rend(); ++e) {
        std::string target = Target(e->path);
        std::string staged = Path(e->staged);
        if (e->kind == 'D') {
            plat::RemoveDirectoryLevel(target.c_str());
        } else if (e->kind == 'P') {
            // Moved only when the staged name is free again.
            if (plat::InspectPath(staged.c_str()) != plat::PathKind::kMissing) continue;
            if (plat::InspectPath(target.c_str()) != plat::PathKind::kFile) continue;
            plat::SetAttributes(target.c_str(), plat::kAttrArchive);
            complete = plat::MovePath(target.c_str(), staged.c_str()) && complete;
        } else if (e->kind == 'B') {
            if (plat::InspectPath(staged.c_str()) == plat::PathKind::kMissing) continue;
            complete = plat::MovePath(staged.c_str(), target.c_str()) && complete;
        }
    }
    journal_.Close();
    if (complete) plat::RemoveTree(folder_.c_str(), nullptr);
    return complete;
}

void Staging::Finish() {
    Record('C', "", "");
    journal_.Close();
    plat::RemoveTree(folder_.c_str(), nullptr);
}

void RecoverStaging(const std::string& installDirectory) {
    Staging staging(installDirectory);
    plat::PathKind kind = plat::InspectPath(staging.folder_.c_str());
    if (kind == plat::PathKind::kMissing) return;
    if (kind != plat::PathKind::kDirectory) {
        // Not ours: a link is unlinked, never followed.
        if (!plat::RemoveFile(staging.folder_.c_str()))
            plat::RemoveDirectoryLevel(staging.folder_.c_str());
        return;
    }
    std::string text;
    ReadWhole(staging.Path(kJournalName), &text);
    staging.entries_ = ParseJournal(text, installDirectory);
    bool committed = !staging.entries_.empty() && staging.entries_.back().kind == 'C';
    if (committed) {
        plat::RemoveTree(staging.folder_.c_str(), nullptr);
    } else {
        staging.RollBack();
    }
}
