#include "installation/journal.h"

#include <zlib.h>

#include <charconv>
#include <cstdio>

#include "installation/archive_names.h"

namespace installation {

namespace {

constexpr std::size_t kMaxJournalPath = 4096;
constexpr int kVersion = 2;

std::uint32_t Crc(const std::string& text) {
    return static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(text.data()), static_cast<uInt>(text.size())));
}

std::string Hex(std::uint64_t value) {
    char text[17];
    std::snprintf(text, sizeof text, "%llx", static_cast<unsigned long long>(value));
    return text;
}

// The whole of text as one number, without sign, blank or leading "+".
bool Number(const std::string& text, int base, std::uint64_t* value) {
    const char* end = text.data() + text.size();
    auto parsed = std::from_chars(text.data(), end, *value, base);
    return !text.empty() && parsed.ec == std::errc() && parsed.ptr == end;
}

// A name the staging folder holds: a number (a staged item), "b" and a
// number (a file moved aside), or "target" (the cleared target).
bool IsNumberName(const std::string& name) {
    std::uint64_t n = 0;
    return name.size() <= 10 && name[0] != '+' && Number(name, 10, &n);
}
bool IsAsideName(const std::string& name) {
    return name == "target" || (name.size() > 1 && name[0] == 'b' && IsNumberName(name.substr(1)));
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

// Splits off the first count blank-separated fields of body; the rest (a
// path, which may hold blanks) goes to *rest.
bool Fields(const std::string& body, std::size_t count, std::vector<std::string>* fields,
            std::string* rest) {
    std::size_t pos = 0;
    for (std::size_t i = 0; i < count; ++i) {
        std::size_t blank = body.find(' ', pos);
        if (blank == std::string::npos || blank == pos) return false;
        fields->push_back(body.substr(pos, blank - pos));
        pos = blank + 1;
    }
    *rest = body.substr(pos);
    return true;
}

bool ParseMoveAside(const std::vector<std::string>& f, JournalEntry* e) {
    e->tree = f[2] == "-" && f[3] == "-";
    return IsAsideName(e->staged) &&
           (e->tree || (Number(f[2], 10, &e->size) && Number(f[3], 10, &e->check)));
}

bool ParsePlacement(const std::vector<std::string>& f, JournalEntry* e) {
    std::uint64_t attributes = 0;
    bool sound = IsNumberName(e->staged) && Number(f[2], 10, &e->size) &&
                 Number(f[3], 16, &e->check) && e->check <= UINT32_MAX &&
                 Number(f[4], 16, &attributes) && attributes <= UINT32_MAX;
    e->attributes = static_cast<std::uint32_t>(attributes);
    return sound;
}

// A step record's body: D, B or P.
bool ParseStep(const std::string& body, JournalEntry* e) {
    if (body.size() < 3 || body[1] != ' ') return false;
    *e = JournalEntry{};
    e->kind = body[0];
    std::vector<std::string> f;
    if (e->kind == 'D') return IsSoundPath(e->path = body.substr(2));
    std::size_t count = e->kind == 'B' ? 4 : e->kind == 'P' ? 5 : 0;
    if (count == 0 || !Fields(body, count, &f, &e->path) || !IsSoundPath(e->path)) return false;
    e->staged = f[1];
    return e->kind == 'B' ? ParseMoveAside(f, e) : ParsePlacement(f, e);
}

// The body of a record that passes its check.
bool Checked(const std::string& line, std::string* body) {
    std::uint64_t crc = 0, length = 0;
    std::size_t blank = line.find(' ', 9);
    if (line.size() < 11 || line[8] != ' ' || blank == std::string::npos ||
        !Number(line.substr(0, 8), 16, &crc) || !Number(line.substr(9, blank - 9), 10, &length))
        return false;
    *body = line.substr(blank + 1);
    return body->size() == length && Crc(line.substr(9)) == crc;
}

// A line as versions before the records had checks wrote it.
bool IsOlderVersion(const std::string& line) {
    return line == "C" || (line.size() > 2 && line[1] == ' ' &&
                           std::string("DBP").find(line[0]) != std::string::npos);
}

// The step records of lines[first, first + count): kNoStep when one is
// missing or fails its check, kMalformed when a sound one is no step.
JournalState ReadSteps(const std::vector<std::string>& lines, std::size_t first, std::size_t count,
                       JournalContents* out) {
    bool bad = false;
    for (std::size_t i = first; i < lines.size() && i - first < count; ++i) {
        std::string body;
        JournalEntry entry;
        if (!Checked(lines[i], &body)) {
            bad = true;
            continue;
        }
        if (!ParseStep(body, &entry)) return JournalState::kMalformed;
        out->entries.push_back(std::move(entry));
    }
    return bad || lines.size() - first < count ? JournalState::kNoStep : JournalState::kSteps;
}

// What follows the step records: nothing, a commit, or a torn commit.
JournalState ReadCommit(const std::vector<std::string>& lines, std::size_t at, bool torn) {
    std::string body;
    if (at == lines.size()) return JournalState::kSteps;
    bool commit = Checked(lines[at], &body) && body == "C";
    if (at + 1 == lines.size())
        return commit ? JournalState::kCommitted
               : torn ? JournalState::kSteps
                      : JournalState::kMalformed;
    // Zeros that a file system shows past the last write.
    bool zeros =
        torn && at + 2 == lines.size() && lines.back().find_first_not_of('\0') == std::string::npos;
    return commit && zeros ? JournalState::kCommitted : JournalState::kMalformed;
}

}  // namespace

std::string FormatJournalHeader(std::size_t steps) {
    JournalEntry header;
    header.kind = 'J';
    header.path = std::to_string(kVersion) + " " + std::to_string(steps);
    return FormatJournalRecord(header);
}

std::string FormatJournalRecord(const JournalEntry& e) {
    std::string body(1, e.kind);
    if (e.kind == 'B')
        body += " " + e.staged +
                (e.tree ? " - -" : " " + std::to_string(e.size) + " " + std::to_string(e.check));
    if (e.kind == 'P')
        body += " " + e.staged + " " + std::to_string(e.size) + " " + Hex(e.check) + " " +
                Hex(e.attributes);
    if (e.kind != 'C') body += " " + e.path;
    std::string checked = std::to_string(body.size()) + " " + body;
    char crc[9];
    std::snprintf(crc, sizeof crc, "%08lx", static_cast<unsigned long>(Crc(checked)));
    return crc + (" " + checked) + "\n";
}

JournalContents ReadJournal(const std::string& text) {
    JournalContents out;
    std::vector<std::string> lines;
    std::size_t pos = 0;
    for (std::size_t end; (end = text.find('\n', pos)) != std::string::npos; pos = end + 1)
        lines.push_back(text.substr(pos, end - pos));
    bool torn = pos < text.size();
    if (torn) lines.push_back(text.substr(pos));
    if (lines.empty()) return out;

    std::string body;
    std::vector<std::string> f;
    std::string rest;
    std::uint64_t version = 0, steps = 0;
    if (!Checked(lines[0], &body)) {
        if (IsOlderVersion(lines[0])) out.state = JournalState::kUnknownVersion;
        // The header was lost with the step records written with it.
        else if (ReadSteps(lines, 1, lines.size() - 1, &out) == JournalState::kMalformed)
            out.state = JournalState::kMalformed;
        return out;
    }
    if (!Fields(body + " ", 3, &f, &rest) || f[0] != "J" || !rest.empty() ||
        !Number(f[1], 10, &version) || !Number(f[2], 10, &steps))
        out.state = JournalState::kMalformed;
    else if (version != kVersion)
        out.state = JournalState::kUnknownVersion;
    else if (steps >= lines.size())
        // Fewer lines than records: the flush of the records never finished.
        out.state = ReadSteps(lines, 1, lines.size() - 1, &out) == JournalState::kMalformed
                        ? JournalState::kMalformed
                        : JournalState::kNoStep;
    else if ((out.state = ReadSteps(lines, 1, steps, &out)) == JournalState::kSteps)
        out.state = ReadCommit(lines, 1 + steps, torn);
    return out;
}

}  // namespace installation
