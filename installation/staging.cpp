#include "installation/staging.h"

#include <set>
#include <utility>

#include "installation/archive_names.h"
#include "installation/step_judge.h"

namespace installation {

namespace {

using plat::PathKind;

bool g_flushing = true;

std::string ParentOf(const std::string& path) {
    std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string Numbered(const std::string& base, int n) {
    return n == 0 ? base : base + "-" + std::to_string(n);
}

}  // namespace

bool FlushTouchedDirectories(plat::Tree& tree, const std::string& folder,
                             const std::vector<JournalEntry>& entries) {
    if (!g_flushing) return true;
    std::set<std::string> directories{"", folder};
    for (const JournalEntry& e : entries) {
        if (e.kind == 'C') continue;
        directories.insert(ParentOf(e.path));
        if (e.kind == 'D') directories.insert(e.path);
    }
    bool all = true;
    for (const std::string& dir : directories) {
        // A directory an undo removed has nothing left to flush.
        if (!dir.empty() && tree.Inspect(dir) != PathKind::kDirectory) continue;
        all = tree.FlushDirectory(dir) && all;
    }
    return all;
}

bool ClearStagingFolder(plat::Tree& tree, const std::string& folder,
                        const std::vector<JournalEntry>& entries) {
    bool all = true;
    for (const JournalEntry& e : entries)
        if (!e.staged.empty()) all = tree.RemoveTree(folder + "/" + e.staged) && all;
    // The journal goes only once nothing it names can come back.
    if (!all || (g_flushing && !tree.FlushDirectory(folder))) return false;
    tree.RemoveFile(folder + "/" + kJournalName);
    return tree.RemoveTree(folder);
}

void SetFlushingForTesting(bool flush) { g_flushing = flush; }
bool Flushing() { return g_flushing; }

std::string MoveToFreeName(plat::Tree& tree, const std::string& from, const std::string& base,
                           int first, int last) {
    for (int n = first; n <= last; ++n) {
        std::string name = Numbered(base, n);
        if (tree.Inspect(name) == PathKind::kMissing && tree.Move(from, name)) return name;
    }
    return std::string();
}

std::string StagingSlotName(int slot) { return Numbered(kStagingName, slot); }

bool IsReservedName(const std::string& name) {
    std::string first = LowerCase(name.substr(0, name.find_first_of("/\\")));
    for (int slot = 0; slot < kStagingSlots; ++slot)
        if (first == StagingSlotName(slot)) return true;
    return first.rfind(".talcheck-kept", 0) == 0;
}

bool Staging::Create() {
    for (int slot = 0; slot < kStagingSlots; ++slot) {
        std::string name = StagingSlotName(slot);
        if (!tree_.MakeDirectory(name)) continue;
        tree_.SetAttributes(name, plat::kAttrDirectory | plat::kAttrHidden);
        folder_ = name;
        journal_ = tree_.CreateNew(Path(kJournalName), plat::kAttrArchive);
        if (journal_.valid()) return true;
        tree_.RemoveTree(name);
        return false;
    }
    return false;
}

bool Staging::WriteSteps(std::vector<JournalEntry> steps) {
    entries_ = std::move(steps);
    std::string text = FormatJournalHeader(entries_.size());
    for (const JournalEntry& entry : entries_) {
        std::string record = FormatJournalRecord(entry);
        // Unflushed pieces count for nothing: a reader takes a journal
        // whose records are not all there for one of no step taken.
        if (text.size() + record.size() > kJournalChunk) {
            if (!journal_.valid() || !journal_.Write(text.data(), text.size())) return false;
            text.clear();
        }
        text += record;
    }
    return WriteDurably(text);
}

bool Staging::WriteDurably(const std::string& text) {
    bool written = journal_.valid() && journal_.Write(text.data(), text.size()) &&
                   (!g_flushing || journal_.Flush());
    if (written && !journalDurable_ && g_flushing) {
        written = tree_.FlushDirectory(folder_) && tree_.FlushDirectory("");
        journalDurable_ = written;
    }
    return written;
}

bool Staging::Commit() {
    if (!FlushTouchedDirectories(tree_, folder_, entries_)) {
        RollBack();
        return false;
    }
    if (!WriteDurably(FormatJournalRecord(JournalEntry{}))) {
        RollBack();
        return false;
    }
    journal_.Close();
    // What cannot go now (a file still mapped) the next run's recovery removes.
    ClearStagingFolder(tree_, folder_, entries_);
    return true;
}

void Staging::RollBack() {
    journal_.Close();
    UndoReport report = UndoSteps(tree_, folder_, entries_);
    if (!report.complete) return;  // the next run's recovery keeps what is left
    ClearStagingFolder(tree_, folder_, entries_);
}

}  // namespace installation
