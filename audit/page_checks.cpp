#include "audit/page_checks.h"

#include <map>
#include <string_view>

#include "installation/install_package.h"
#include "net/folder_listing.h"
#include "update/package_choice.h"
#include "update/version.h"

namespace audit {
namespace {

struct Anchor {
    std::string start;   // its first 9 characters, from "<"
    std::string target;  // the link target
    char quote = '\0';   // '"', '\'' or 0 when unquoted
};

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::size_t SkipBlanks(std::string_view line, std::size_t i) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    return i;
}

// The anchor whose "<" is at line[at], when one starts there: "<a", blanks,
// "href", "=" between optional blanks, then a value in double or single
// quotes or, without its closing quote, up to a blank or ">". A browser's
// reading, in any letter case. Scanned, not matched by a regular
// expression: the standard library's matching recurses once per character,
// and a line of megabytes from a server would overflow the stack.
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

// Every anchor with an href on one line, in any letter case and quoting.
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

// Why the run's pattern does not see a lone anchor.
const char* InvisibleBecause(const Anchor& anchor) {
    if (anchor.quote == '\'') return "single_quoted_anchor";
    if (anchor.quote == '\0') return "anchor_form";
    if (anchor.start != "<a href=\"") {
        // The same letters in another case, or other spacing.
        std::string lower = anchor.start;
        for (char& c : lower) c = LowerAscii(c);
        return lower == "<a href=\"" ? "upper_case_anchor" : "anchor_form";
    }
    return "anchor_form";  // the closing </a> is missing or not in lower case
}

const char* Describe(const std::string& code) {
    if (code == "single_quoted_anchor")
        return "link(s) with single quotes, which the run does not see";
    if (code == "upper_case_anchor")
        return "link(s) in upper case (<A HREF=...>), which the run does not see";
    if (code == "links_merged")
        return "line(s) with several links, which the run reads as one name";
    return "link(s) in a form the run does not read (one <a href=\"...\">...</a> per line)";
}

struct Tally {
    int count = 0;
    std::string example;
};

std::string Shorten(const std::string& text) {
    return text.size() <= 80 ? text : text.substr(0, 77) + "...";
}

void CheckLine(std::string_view line, std::map<std::string, Tally>& tallies) {
    std::vector<Anchor> anchors = AnchorsOn(line);
    if (anchors.empty()) return;
    std::string visible;
    net::AppendLinkTargets(line, visible, ".");
    if (!visible.empty()) visible.pop_back();  // the tab
    if (anchors.size() > 1 && !visible.empty()) {
        Tally& t = tallies["links_merged"];
        if (t.count++ == 0) t.example = "'" + Shorten(visible) + "'";
        return;
    }
    if (!visible.empty()) return;
    for (const Anchor& anchor : anchors) {
        if (anchor.target.find('.') == std::string::npos) continue;  // the run skips it anyway
        Tally& t = tallies[InvisibleBecause(anchor)];
        if (t.count++ == 0) t.example = Shorten(anchor.target);
    }
}

// One warning per name that looks like a package but has no version, up to
// kMaxNameWarnings; then one for the rest.
void CheckNames(const std::string& folder, const std::string& listing,
                std::vector<Warning>& warnings) {
    std::size_t unparsable = 0;
    update::ForEachListingEntry(listing, [&](const char* name) {
        int32_t a = 0, b = 0, c = 0;
        if (!installation::IsZipPackageName(name) || update::ParseVersion(name, a, b, c)) return;
        if (++unparsable > kMaxNameWarnings) return;
        warnings.push_back({"name_unparsable", folder + ": '" + Shorten(name) +
                                                   "' has no three version fields; "
                                                   "the run never chooses it"});
    });
    if (unparsable <= kMaxNameWarnings) return;
    warnings.push_back({"name_unparsable", folder + ": " +
                                               std::to_string(unparsable - kMaxNameWarnings) +
                                               " more names without three version fields, "
                                               "not listed one by one"});
}

}  // namespace

std::vector<Warning> CheckPage(const FolderRequest& request, const std::string& body,
                               const std::string& listing) {
    std::map<std::string, Tally> tallies;
    std::size_t start = 0;
    while (start < body.size()) {
        std::size_t end = body.find_first_of("\r\n", start);
        if (end == std::string::npos) end = body.size();
        CheckLine(std::string_view(body).substr(start, end - start), tallies);
        start = end + 1;
    }
    std::vector<Warning> warnings;
    for (const auto& [code, tally] : tallies) {
        warnings.push_back({code, request.folder + ": " + std::to_string(tally.count) + " " +
                                      Describe(code) + ", e.g. " + tally.example});
    }
    CheckNames(request.folder, listing, warnings);
    if (request.cut) {
        warnings.push_back({"page_cut", request.folder + ": the page goes on past the limit of " +
                                            std::to_string(net::kMaxPageBytes) +
                                            " bytes; the run does not see the names after it"});
    }
    if (!request.readFailure.empty()) {
        warnings.push_back({"page_incomplete", request.folder + ": the page ended early (" +
                                                   request.readFailure + ") after " +
                                                   std::to_string(request.bytes) + " bytes"});
    }
    if (request.status >= 400 && request.nameCount > 0) {
        warnings.push_back({"error_page_names", request.folder + ": answered status " +
                                                    std::to_string(request.status) +
                                                    " with links, which the run reads as names"});
    }
    return warnings;
}

}  // namespace audit
