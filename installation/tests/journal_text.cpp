#include "installation/tests/journal_text.h"

#include <zlib.h>

#include "platform/tree.h"

namespace journal_text {

JournalEntry Dir(const std::string& path) {
    JournalEntry e;
    e.kind = 'D';
    e.path = path;
    return e;
}

JournalEntry Aside(const std::string& install, const std::string& staged, const std::string& path) {
    JournalEntry e;
    e.kind = 'B';
    e.staged = staged;
    e.path = path;
    plat::FileStamp stamp;
    e.tree = !plat::Tree::Open(install.c_str()).Stamp(path, &stamp);
    e.size = stamp.size;
    e.check = stamp.writeTime;
    return e;
}

JournalEntry Placed(const std::string& staged, const std::string& path, const std::string& bytes) {
    JournalEntry e;
    e.kind = 'P';
    e.staged = staged;
    e.path = path;
    e.size = bytes.size();
    e.check =
        crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size()));
    e.attributes = 0x20;
    return e;
}

std::string Text(const std::vector<JournalEntry>& steps, bool committed) {
    std::string text = installation::FormatJournalHeader(steps.size());
    for (const JournalEntry& e : steps) text += installation::FormatJournalRecord(e);
    return text + (committed ? installation::FormatJournalRecord(JournalEntry{}) : "");
}

}  // namespace journal_text
