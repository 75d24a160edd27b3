// Choosing installer packages from folder listings. A listing is the names
// linked from one folder page, each followed by a tab ("a.zip\tb.zip\t").
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "vocabulary/version_triple.h"

namespace update {

// The version line after (major, minor): minor 9 is followed by the next
// major's 0. False, pair unchanged, when there is no next line (major at
// its maximum).
bool NextVersionLine(int32_t& major, int32_t& minor);

// What a listed name is to the choice. A candidate package contains ".zip"
// (IsZipPackageName) and has three version fields (ParseVersion), which it
// writes into version; for any other name version is left as it was.
enum class PackageName { kNotZip, kNotVersioned, kCandidate };
PackageName JudgePackageName(const char* name, vocab::VersionTriple& version);

// Calls visit with each name of the listing in order, empty names
// included. A name of 260 characters or more fits no path buffer and cannot
// be a package of ours: it is skipped.
void ForEachListingEntry(const std::string& listing, const std::function<void(const char*)>& visit);

// The walk of a listing for one choice. It starts from a threshold line and
// a least build; each entry in listing order is accepted when it is a
// candidate package (JudgePackageName), has a major and minor not
// below the threshold's and a build not below the least build. An accepted
// entry raises the threshold to its own line and replaces the entry accepted
// before it; the last one accepted is the choice.
enum class EntryVerdict {
    kChosen,
    kReplaced,      // accepted, then replaced by a later entry
    kNotZip,        // no ".zip" in the name
    kNotVersioned,  // fewer than three version fields
    kLineBelow,     // major or minor below the threshold line
    kBuildTooLow,   // build below the least build
};

constexpr std::size_t kNoEntry = static_cast<std::size_t>(-1);

struct WalkedEntry {
    std::string name;  // as listed
    EntryVerdict verdict = EntryVerdict::kNotZip;
    vocab::VersionTriple version{0, 0, 0};  // its fields, from kLineBelow on
    int32_t lineMajor = 0;                  // the threshold line it was held against
    int32_t lineMinor = 0;
    // kLineBelow: the accepted entry that set that line (kNoEntry: the line
    // the walk started from); kReplaced: the later entry that replaced it.
    std::size_t by = kNoEntry;
};

struct ChoiceWalk {
    int64_t leastBuild = 0;
    std::vector<WalkedEntry> entries;  // every name of the listing, in order
    std::size_t chosen = kNoEntry;
};

// The installed line's walk: from the installed line, builds above the
// installed build.
ChoiceWalk WalkCurrentLine(const std::string& listing, const vocab::VersionTriple& installed);
// The newest line's walk: from line 0.0, builds of at least 0.
ChoiceWalk WalkNewestLine(const std::string& listing);

// The name of the entry a walk chose, as listed; empty when no entry
// qualifies.
std::string ChosenName(const ChoiceWalk& walk);

}  // namespace update
