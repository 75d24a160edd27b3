#include "audit/anchor_scan.h"

#include <utility>

namespace audit {
namespace {

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::size_t SkipBlanks(std::string_view line, std::size_t i) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    return i;
}

// The anchor whose "<" is at line[at], when one starts there. Scanned, not
// matched by a regular expression: the standard library's matching recurses
// once per character, and a line of megabytes overflowed the stack.
bool AnchorAt(std::string_view line, std::size_t at, Anchor* anchor, std::size_t* end) {
    std::size_t i = at + 1;
    if (i >= line.size() || LowerAscii(line[i]) != 'a') return false;
    const std::size_t blanks = ++i;
    i = SkipBlanks(line, i);
    if (i == blanks) return false;
    for (char letter : std::string_view("href")) {
        if (i >= line.size() || LowerAscii(line[i]) != letter) return false;
        ++i;
    }
    i = SkipBlanks(line, i);
    if (i >= line.size() || line[i] != '=') return false;
    i = SkipBlanks(line, i + 1);
    const char quote = i < line.size() ? line[i] : '\0';
    const std::size_t close =
        quote == '"' || quote == '\'' ? line.find(quote, i + 1) : std::string_view::npos;
    std::size_t stop = i;
    if (close == std::string_view::npos) {
        while (stop < line.size() && !IsBlank(line[stop]) && line[stop] != '>') ++stop;
        if (stop == i) return false;
    }
    anchor->start = std::string(line.substr(at, 9));
    anchor->quote = close == std::string_view::npos ? '\0' : quote;
    anchor->target = close == std::string_view::npos
                         ? std::string(line.substr(i, stop - i))
                         : std::string(line.substr(i + 1, close - i - 1));
    *end = close == std::string_view::npos ? stop : close + 1;
    return true;
}

}  // namespace

std::vector<Anchor> AnchorsOn(std::string_view line) {
    std::vector<Anchor> anchors;
    std::size_t at = line.find('<');
    while (at != std::string_view::npos) {
        Anchor anchor;
        std::size_t end = at + 1;
        if (AnchorAt(line, at, &anchor, &end)) anchors.push_back(std::move(anchor));
        at = line.find('<', end);
    }
    return anchors;
}

}  // namespace audit
