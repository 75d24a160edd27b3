// The Task Scheduler definition TalCheck is registered with
// (deploy/windows/TalCheck-task.xml, compiled in), filled in for one station
// folder.
#pragma once

#include <string>
#include <string_view>

namespace deploy {

// What the shipped definition writes for the station folder.
inline constexpr std::string_view kFolderPlaceholder = "[INSTALLDIR]";

// The shipped definition as it was at build time (UTF-8).
std::string_view ShippedTaskDefinition();

// Writes to *out the definition with every placeholder replaced by folder
// (UTF-8, e.g. "C:\Station"), as XML text and ending in one backslash, so that
// "[INSTALLDIR]TalCheck.exe" names the program. Returns false, *out
// untouched, when folder is empty or holds a control character, or when the
// definition has no placeholder.
bool FillTaskDefinition(std::string_view definition, std::string_view folder, std::string* out);

}  // namespace deploy
