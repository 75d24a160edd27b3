#include "audit/choice_explain.h"

#include <string>

namespace audit {
namespace {

std::string Line(int32_t major, int32_t minor) {
    return std::to_string(major) + "." + std::to_string(minor);
}

std::string LineBelow(const ChoiceWalk& walk, const WalkedEntry& entry) {
    return "line " + Line(entry.version.major, entry.version.minor) + " is below " +
           Line(entry.lineMajor, entry.lineMinor) +
           (entry.by == kNoEntry ? ", the line it must reach"
                                 : ", the line of " + walk.entries[entry.by].name);
}

std::string Verdict(const ChoiceWalk& walk, const WalkedEntry& entry) {
    switch (entry.verdict) {
        case EntryVerdict::kChosen:
            return "chosen";
        case EntryVerdict::kReplaced:
            return "replaced by the later " + walk.entries[entry.by].name;
        case EntryVerdict::kNotZip:
            return "no .zip in the name";
        case EntryVerdict::kNotVersioned:
            return "not three version fields";
        case EntryVerdict::kLineBelow:
            return LineBelow(walk, entry);
        case EntryVerdict::kBuildTooLow:
            if (walk.leastBuild <= 0) return "negative build";
            return "build " + std::to_string(entry.version.build) +
                   " is not above the installed build " + std::to_string(walk.leastBuild - 1);
    }
    return "";
}

}  // namespace

std::vector<Candidate> ExplainWalk(const ChoiceWalk& walk) {
    std::vector<Candidate> candidates;
    for (const WalkedEntry& entry : walk.entries)
        candidates.push_back({entry.name, Verdict(walk, entry)});
    return candidates;
}

}  // namespace audit
