#include "installation/journal.h"

#include <algorithm>
#include <cctype>

#include "installation/archive_names.h"

namespace installation {

namespace {

constexpr std::size_t kMaxJournalPath = 4096;

bool IsNumber(const std::string& text, std::size_t from) {
    return from < text.size() && text.size() - from <= 10 &&
           std::all_of(text.begin() + from, text.end(),
                       [](unsigned char c) { return std::isdigit(c) != 0; });
}

// A name the staging folder holds: a number (a staged item), "b" and a
// number (a file moved aside), or "target" (the cleared target).
bool IsStagedName(const std::string& name) {
    return name == "target" || IsNumber(name, 0) ||
           (name.size() > 1 && name[0] == 'b' && IsNumber(name, 1));
}

// A relative path that stays below the install directory: no root, drive
// or stream, no "." or ".." component, no control character.
bool IsSoundPath(const std::string& path) {
    if (path.empty() || path.size() > kMaxJournalPath || IsSeparator(path[0])) return false;
    for (char c : path)
        if (static_cast<unsigned char>(c) < 32 || c == ':') return false;
    return ForEachComponent(
        path, [](const std::string& part) { return !part.empty() && part != "." && part != ".."; });
}

bool ParseLine(const std::string& line, JournalEntry* entry) {
    if (line == "C") {
        *entry = JournalEntry{'C', "", ""};
        return true;
    }
    if (line.size() < 3 || line[1] != ' ') return false;
    char kind = line[0];
    std::string rest = line.substr(2);
    if (kind == 'D') {
        *entry = JournalEntry{'D', "", rest};
        return IsSoundPath(rest);
    }
    if (kind != 'B' && kind != 'P') return false;
    std::size_t blank = rest.find(' ');
    if (blank == std::string::npos) return false;
    *entry = JournalEntry{kind, rest.substr(0, blank), rest.substr(blank + 1)};
    return IsStagedName(entry->staged) && IsSoundPath(entry->path);
}

}  // namespace

std::string FormatJournalLine(const JournalEntry& entry) {
    std::string line(1, entry.kind);
    if (!entry.staged.empty()) line += " " + entry.staged;
    if (!entry.path.empty()) line += " " + entry.path;
    return line + "\n";
}

bool ParseJournal(const std::string& text, std::vector<JournalEntry>* entries) {
    entries->clear();
    std::size_t pos = 0;
    bool committed = false;
    for (std::size_t end; (end = text.find('\n', pos)) != std::string::npos; pos = end + 1) {
        JournalEntry entry;
        // Nothing may follow the commit.
        if (committed || !ParseLine(text.substr(pos, end - pos), &entry)) return false;
        committed = entry.kind == 'C';
        entries->push_back(std::move(entry));
    }
    // The torn tail of a line being written: a prefix of some line, or the
    // zeros a file system shows for blocks never written.
    return text.find('\n', pos) == std::string::npos && (!committed || pos == text.size());
}

bool IsCommitted(const std::vector<JournalEntry>& entries) {
    return !entries.empty() && entries.back().kind == 'C';
}

}  // namespace installation
