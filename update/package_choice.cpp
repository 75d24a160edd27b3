#include "update/package_choice.h"

#include "installation/install_package.h"
#include "platform/path_buffer.h"
#include "update/version.h"

namespace update {

bool NextVersionLine(int32_t& major, int32_t& minor) {
    if (minor != 9) {
        ++minor;
        return true;
    }
    if (major == INT32_MAX) return false;
    ++major;
    minor = 0;
    return true;
}

void ForEachListingEntry(const std::string& listing,
                         const std::function<void(const char*)>& visit) {
    std::size_t start = 0;
    for (std::size_t tab; (tab = listing.find('\t', start)) != std::string::npos; start = tab + 1) {
        if (tab - start < plat::kPathSize) visit(listing.substr(start, tab - start).c_str());
    }
}

PackageName JudgePackageName(const char* name, vocab::VersionTriple& version) {
    if (!installation::IsZipPackageName(name)) return PackageName::kNotZip;
    vocab::VersionTriple parsed = version;
    if (!ParseVersion(name, parsed.major, parsed.minor, parsed.build))
        return PackageName::kNotVersioned;
    version = parsed;
    return PackageName::kCandidate;
}

namespace {

EntryVerdict Judge(WalkedEntry& entry, int64_t leastBuild) {
    vocab::VersionTriple& v = entry.version;
    const PackageName judged = JudgePackageName(entry.name.c_str(), v);
    if (judged != PackageName::kCandidate)
        return judged == PackageName::kNotZip ? EntryVerdict::kNotZip : EntryVerdict::kNotVersioned;
    if (v.major < entry.lineMajor || v.minor < entry.lineMinor) return EntryVerdict::kLineBelow;
    if (v.build < leastBuild) return EntryVerdict::kBuildTooLow;
    return EntryVerdict::kChosen;
}

// The least build is 64 bits wide: the installed build + 1 must not overflow.
ChoiceWalk Walk(const std::string& listing, int32_t major, int32_t minor, int64_t leastBuild) {
    ChoiceWalk walk{leastBuild, {}, kNoEntry};
    ForEachListingEntry(listing, [&](const char* name) {
        // Held against the line so far and the entry accepted last.
        WalkedEntry entry{name, EntryVerdict::kNotZip, {0, 0, 0}, major, minor, walk.chosen};
        entry.verdict = Judge(entry, leastBuild);
        if (entry.verdict == EntryVerdict::kChosen) {
            if (walk.chosen != kNoEntry) {
                walk.entries[walk.chosen].verdict = EntryVerdict::kReplaced;
                walk.entries[walk.chosen].by = walk.entries.size();
            }
            walk.chosen = walk.entries.size();
            major = entry.version.major;
            minor = entry.version.minor;
        }
        walk.entries.push_back(std::move(entry));
    });
    return walk;
}

}  // namespace

ChoiceWalk WalkCurrentLine(const std::string& listing, const vocab::VersionTriple& installed) {
    return Walk(listing, installed.major, installed.minor, int64_t{installed.build} + 1);
}

ChoiceWalk WalkNewestLine(const std::string& listing) { return Walk(listing, 0, 0, 0); }

std::string ChosenName(const ChoiceWalk& walk) {
    return walk.chosen == kNoEntry ? std::string() : walk.entries[walk.chosen].name;
}

}  // namespace update
