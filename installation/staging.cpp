#include "installation/staging.h"

#include <set>

#include "installation/archive_names.h"

namespace installation {

namespace {

using plat::PathKind;

constexpr int kKeptNames = 10;

bool g_flushing = true;

std::string ParentOf(const std::string& path) {
    std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string Numbered(const std::string& base, int n) {
    return n == 0 ? base : base + "-" + std::to_string(n);
}

// Flushes the directories holding the paths of entries and the staging
// folder (each once).
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

void UndoPlacement(plat::Tree& tree, const std::string& staged, const std::string& path,
                   UndoReport* report) {
    // Only a step that was taken: its staged file is gone and a file is there.
    if (tree.Inspect(staged) != PathKind::kMissing || tree.Inspect(path) != PathKind::kFile) return;
    tree.SetAttributes(path, plat::kAttrArchive);
    if (tree.Move(path, staged)) ++report->restored;
}

void UndoMoveAside(plat::Tree& tree, const std::string& staged, const std::string& path,
                   UndoReport* report) {
    if (tree.Inspect(staged) == PathKind::kMissing) return;
    if (tree.Move(staged, path)) {
        ++report->restored;
        return;
    }
    // Kept beside its old place, so nothing of the old tree is lost and the
    // name is free for what is there.
    std::string kept = MoveToFreeName(tree, staged, path + ".talcheck-kept", 0, kKeptNames - 1);
    if (kept.empty()) {
        report->complete = false;
        return;
    }
    ++report->restored;
    report->kept.push_back(kept);
}

}  // namespace

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

void Staging::Record(char kind, const std::string& staged, const std::string& path) {
    JournalEntry entry{kind, staged, path};
    pending_ += FormatJournalLine(entry);
    entries_.push_back(std::move(entry));
}

bool Staging::WriteRecords() {
    bool written = journal_.valid() && journal_.Write(pending_.data(), pending_.size()) &&
                   (!g_flushing || journal_.Flush());
    pending_.clear();
    // The journal's own name must survive a power cut too, once.
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
    Record('C', "", "");
    if (!WriteRecords()) {
        RollBack();
        return false;
    }
    journal_.Close();
    tree_.RemoveTree(folder_);
    return true;
}

void Staging::RollBack() {
    journal_.Close();
    UndoReport report = UndoSteps(tree_, folder_, entries_);
    if (!report.complete) return;  // the next run's recovery keeps what is left
    tree_.RemoveFile(Path(kJournalName));
    tree_.RemoveTree(folder_);
}

UndoReport UndoSteps(plat::Tree& tree, const std::string& folder,
                     const std::vector<JournalEntry>& entries) {
    UndoReport report;
    for (auto e = entries.rbegin(); e != entries.rend(); ++e) {
        std::string staged = folder + "/" + e->staged;
        if (e->kind == 'D') {
            tree.RemoveEmptyDirectory(e->path);  // only when empty: anything put there stays
        } else if (e->kind == 'P') {
            UndoPlacement(tree, staged, e->path, &report);
        } else if (e->kind == 'B') {
            UndoMoveAside(tree, staged, e->path, &report);
        }
    }
    FlushTouchedDirectories(tree, folder, entries);
    return report;
}

}  // namespace installation
