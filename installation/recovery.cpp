#include "installation/recovery.h"

#include "installation/journal.h"
#include "installation/staging.h"

namespace installation {

namespace {

using plat::PathKind;

constexpr int kKeptFolders = 100;

void Add(RecoveryReport* report, const std::string& text) {
    report->acted = true;
    report->detail += (report->detail.empty() ? "" : "; ") + text;
}

// Moves a folder that must not be replayed or deleted out of the staging
// names; "left in <folder>" when even that fails.
std::string KeepFolder(plat::Tree& tree, const std::string& folder) {
    std::string kept = MoveToFreeName(tree, folder, ".talcheck-kept", 1, kKeptFolders);
    return kept.empty() ? "left in " + folder : "kept " + kept;
}

// What is left of a folder that cannot be removed (a file still mapped by
// a running client; under Wine, a link to a directory) moves out of the
// staging names, so it is reported once and never blocks an install.
std::string Removed(plat::Tree& tree, const std::string& folder) {
    if (tree.RemoveTree(folder)) return std::string();
    return "; " + folder + " not removed (in use?), " + KeepFolder(tree, folder);
}

void RollBackLeftover(plat::Tree& tree, const std::string& folder,
                      const std::vector<JournalEntry>& entries, RecoveryReport* report) {
    UndoReport undo = UndoSteps(tree, folder, entries);
    std::string text = "rolled back " + std::to_string(undo.restored) + " files";
    for (const std::string& kept : undo.kept) text += "; kept " + kept;
    if (!undo.complete) {
        report->whole = false;
        Add(report, text + "; moved-aside files " + KeepFolder(tree, folder));
        return;
    }
    tree.RemoveFile(folder + "/" + kJournalName);
    Add(report, text + Removed(tree, folder));
}

void RecoverFolder(plat::Tree& tree, const std::string& folder, RecoveryReport* report) {
    PathKind kind = tree.Inspect(folder);
    if (kind == PathKind::kMissing) return;
    if (kind != PathKind::kDirectory) {
        tree.RemoveFile(folder);
        Add(report, "removed " + folder + " (no folder)");
        return;
    }
    std::string journal = folder + "/" + kJournalName;
    plat::WholeFile text;
    std::vector<JournalEntry> entries;
    if (tree.Inspect(journal) == PathKind::kMissing) {
        Add(report, "removed an unfinished " + folder + Removed(tree, folder));
    } else if (!(text = tree.ReadRegular(journal, kMaxJournalBytes)).ok()) {
        report->whole = false;
        Add(report, "journal of " + folder + " unreadable, nothing undone; " + KeepFolder(tree, folder));
    } else if (!ParseJournal(text.bytes, &entries)) {
        report->whole = false;
        Add(report, "journal of " + folder + " malformed, nothing undone; " + KeepFolder(tree, folder));
    } else if (IsCommitted(entries)) {
        Add(report, "finished an install" + Removed(tree, folder));
    } else {
        RollBackLeftover(tree, folder, entries, report);
    }
}

}  // namespace

RecoveryReport RecoverInstallDirectory(const char* installDirectory) {
    RecoveryReport report;
    plat::Tree tree = plat::Tree::Open(installDirectory);
    if (!tree.valid()) return report;
    for (int slot = 0; slot < kStagingSlots; ++slot) RecoverFolder(tree, StagingSlotName(slot), &report);
    return report;
}

}  // namespace installation
