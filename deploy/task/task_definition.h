// The Task Scheduler definition TalCheck is registered with
// (deploy/windows/TalCheck-task.xml, compiled in), filled in for the
// programs' folder and one station folder.
#pragma once

#include <string>
#include <string_view>

namespace deploy {

// What the shipped definition writes for the folder of the programs and for
// the station folder (the run's working directory).
inline constexpr std::string_view kProgramPlaceholder = "[PROGRAMDIR]";
inline constexpr std::string_view kStationPlaceholder = "[INSTALLDIR]";

// The shipped definition as it was at build time (UTF-8).
std::string_view ShippedTaskDefinition();

// Writes to *out the definition with every placeholder replaced by its
// folder (UTF-8, e.g. "C:\Program Files\TalCheck"), as XML text and ending in
// one backslash, so that "[PROGRAMDIR]TalCheck.exe" names the program.
// Returns false, *out untouched, when a folder is empty or holds a control
// character, or when the definition lacks a placeholder.
bool FillTaskDefinition(std::string_view definition, std::string_view program_folder,
                        std::string_view station_folder, std::string* out);

}  // namespace deploy
