#include "audit/choice_explain.h"

#include <string>

namespace audit {
namespace {

std::string Line(int32_t major, int32_t minor) {
    return std::to_string(major) + "." + std::to_string(minor);
}

std::string LineBelow(const update::ChoiceWalk& walk, const update::WalkedEntry& entry) {
    return "line " + Line(entry.version.major, entry.version.minor) + " is below " +
           Line(entry.lineMajor, entry.lineMinor) +
           (entry.by == update::kNoEntry ? ", the line it must reach"
                                         : ", the line of " + walk.entries[entry.by].name);
}

std::string Verdict(const update::ChoiceWalk& walk, const update::WalkedEntry& entry) {
    switch (entry.verdict) {
        case update::EntryVerdict::kChosen:
            return "chosen";
        case update::EntryVerdict::kReplaced:
            return "replaced by the later " + walk.entries[entry.by].name;
        case update::EntryVerdict::kNotZip:
            return "no .zip in the name";
        case update::EntryVerdict::kNotVersioned:
            return "not three version fields";
        case update::EntryVerdict::kLineBelow:
            return LineBelow(walk, entry);
        case update::EntryVerdict::kBuildTooLow:
            if (walk.leastBuild <= 0) return "negative build";
            return "build " + std::to_string(entry.version.build) +
                   " is not above the installed build " + std::to_string(walk.leastBuild - 1);
    }
    return "";
}

}  // namespace

std::vector<Candidate> ExplainWalk(const update::ChoiceWalk& walk, std::size_t keep) {
    std::vector<Candidate> candidates;
    const std::size_t count = walk.entries.size() < keep ? walk.entries.size() : keep;
    for (std::size_t i = 0; i < count; ++i) {
        const bool chosenLater =
            i + 1 == count && walk.chosen != update::kNoEntry && walk.chosen > i;
        const update::WalkedEntry& entry = walk.entries[chosenLater ? walk.chosen : i];
        candidates.push_back({entry.name, Verdict(walk, entry)});
    }
    return candidates;
}

}  // namespace audit
