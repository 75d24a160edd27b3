#include "audit/choice_explain.h"

#include "update/package_choice.h"
#include "update/version.h"

namespace audit {
namespace {

std::string Line(int32_t major, int32_t minor) {
    return std::to_string(major) + "." + std::to_string(minor);
}

}  // namespace

std::vector<Candidate> ExplainWalk(const std::string& listing, int32_t major, int32_t minor,
                                   int64_t minBuild) {
    std::vector<Candidate> candidates;
    std::size_t accepted = 0;  // index + 1 of the entry accepted last
    ForEachListingEntry(listing, [&](const char* entry) {
        Candidate candidate{entry, ""};
        int32_t a = 0, b = 0, c = 0;
        if (!ContainsZip(entry)) {
            candidate.verdict = "no .zip in the name";
        } else if (!ParseVersion(entry, a, b, c)) {
            candidate.verdict = "not three version fields";
        } else if (a < major || b < minor) {
            candidate.verdict = "line " + Line(a, b) + " is below " + Line(major, minor) +
                                (accepted ? ", the line of " + candidates[accepted - 1].name
                                          : ", the line it must reach");
        } else if (c < minBuild) {
            candidate.verdict = minBuild > 0 ? "build " + std::to_string(c) +
                                                   " is not above the installed build " +
                                                   std::to_string(minBuild - 1)
                                             : "negative build";
        } else {
            if (accepted)
                candidates[accepted - 1].verdict = "replaced by the later " + candidate.name;
            candidate.verdict = "chosen";
            accepted = candidates.size() + 1;
            major = a;
            minor = b;
        }
        candidates.push_back(candidate);
    });
    return candidates;
}

std::string ChosenIn(const std::vector<Candidate>& candidates) {
    for (const Candidate& c : candidates) {
        if (c.verdict == "chosen") return c.name;
    }
    return "";
}

}  // namespace audit
