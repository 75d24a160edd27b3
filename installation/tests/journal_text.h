// Journals written as an install writes them, for leftovers the tests plant.
#pragma once

#include <string>
#include <vector>

#include "installation/journal.h"

namespace journal_text {

using installation::JournalEntry;

JournalEntry Dir(const std::string& path);
// A move aside of the file now at install/path (stamped from it), or of a
// directory tree when there is no file.
JournalEntry Aside(const std::string& install, const std::string& staged, const std::string& path);
// A placement of bytes.
JournalEntry Placed(const std::string& staged, const std::string& path, const std::string& bytes);

// The header and records of steps, and the commit when committed.
std::string Text(const std::vector<JournalEntry>& steps, bool committed);

}  // namespace journal_text
