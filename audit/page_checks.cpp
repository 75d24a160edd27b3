#include "audit/page_checks.h"

#include <cctype>
#include <map>
#include <string_view>

#include "audit/anchor_scan.h"
#include "net/folder_listing.h"
#include "update/package_choice.h"

namespace audit {
namespace {

// Why the run's pattern does not see a lone anchor.
const char* InvisibleBecause(const Anchor& anchor) {
    if (anchor.quote == '\'') return "single_quoted_anchor";
    if (anchor.quote == '\0') return "anchor_form";
    if (anchor.start != "<a href=\"") {
        // The same letters in another case, or other spacing.
        std::string lower = anchor.start;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
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
        vocab::VersionTriple version;
        if (update::JudgePackageName(name, version) != update::PackageName::kNotVersioned) return;
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
