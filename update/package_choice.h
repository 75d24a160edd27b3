// Choosing installer packages from folder listings. A listing is the names
// linked from one folder page, each followed by a tab ("a.zip\tb.zip\t").
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// Folder paths hold at most 127 characters and a terminator.
constexpr std::size_t kFolderPathSize = 128;

struct VersionTriple {
    int32_t major = 5;
    int32_t minor = 1;
    int32_t build = 0;
};

// "/%1d_%1d%%20Installers/" into folder (kFolderPathSize bytes):
// 5, 1 -> "/5_1%20Installers/".
void FormatFolderPath(char* folder, int32_t major, int32_t minor);

// The version line after (major, minor): minor 9 is followed by the next
// major's 0. False, pair unchanged, when there is no next line (major at
// its maximum).
bool NextVersionLine(int32_t& major, int32_t& minor);

// True when ".zip" occurs anywhere in name, in any letter case.
bool ContainsZip(const char* name);

// Calls visit with each name of the listing in order, empty names
// included. A name of 260 characters or more fits no path buffer and cannot
// be a package of ours: it is skipped.
void ForEachListingEntry(const std::string& listing, const std::function<void(const char*)>& visit);

// The package of the installed line: the last entry in listing order that
// contains ".zip", has three version fields, a major and minor not below
// those of the entry accepted before it (at first, the installed ones) and
// a build above the installed build. choice (a 260-byte path buffer) gets
// the name as listed, or stays as it is when no entry qualifies.
void ChooseCurrentLinePackage(const std::string& listing, const VersionTriple& installed,
                              char* choice);

// The package of the newest line: the last entry in listing order that
// contains ".zip", has three version fields, a major and minor not below
// those of the entry accepted before it and a build of at least 0.
void ChooseNewestLinePackage(const std::string& listing, char* choice);
