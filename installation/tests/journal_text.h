// Journals written as an install writes them, for leftovers the tests plant.
#pragma once

#include <string>
#include <vector>

#include "installation/journal.h"

namespace journal_text {

inline std::string Text(const std::vector<installation::JournalEntry>& steps, bool committed) {
    std::string text = installation::FormatJournalHeader(steps.size());
    for (const installation::JournalEntry& e : steps) text += installation::FormatJournalRecord(e);
    return text + (committed ? installation::FormatJournalRecord({}) : "");
}

}  // namespace journal_text
