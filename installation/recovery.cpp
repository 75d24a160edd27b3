#include "installation/recovery.h"

#include "installation/journal.h"
#include "installation/staging.h"
#include "installation/step_judge.h"

namespace installation {

namespace {

using plat::PathKind;

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
// staging names with its journal, so it is reported once, never blocks an
// install, and is judged again before the next one.
std::string Cleared(plat::Tree& tree, const std::string& folder,
                    const std::vector<JournalEntry>& entries) {
    if (ClearStagingFolder(tree, folder, entries)) return std::string();
    return "; " + folder + " not removed (in use?), " + KeepFolder(tree, folder);
}

std::string Undone(const UndoReport& undo) {
    std::string text = "rolled back " + std::to_string(undo.restored) + " files";
    for (const std::string& kept : undo.kept) text += "; kept " + kept;
    return text;
}

void RollBackLeftover(plat::Tree& tree, const std::string& folder, const JournalContents& journal,
                      RecoveryReport* report) {
    UndoReport undo = UndoSteps(tree, folder, journal.entries);
    if (!undo.complete) {
        report->whole = false;
        Add(report, Undone(undo) + "; moved-aside files " + KeepFolder(tree, folder));
        return;
    }
    // By the protocol nothing was taken before the step records were durable.
    bool none = journal.state == JournalState::kNoStep && !undo.taken;
    Add(report, (none ? "removed an unfinished " + folder + " (no step taken)" : Undone(undo)) +
                    Cleared(tree, folder, journal.entries));
}

// Why a journal is not acted on, or "" when it is.
const char* Untrusted(JournalState state) {
    if (state == JournalState::kUnknownVersion) return "of another version";
    return state == JournalState::kMalformed ? "malformed" : "";
}

void RecoverFolder(plat::Tree& tree, const std::string& folder, RecoveryReport* report) {
    PathKind kind = tree.Inspect(folder);
    if (kind == PathKind::kMissing) return;
    if (kind != PathKind::kDirectory) {
        tree.RemoveFile(folder);
        Add(report, "removed " + folder + " (no folder)");
        return;
    }
    std::string journalPath = folder + "/" + kJournalName;
    plat::WholeFile text;
    if (tree.Inspect(journalPath) == PathKind::kMissing) {
        // Just made, or cut short while being removed: its journal goes last.
        bool empty = tree.RemoveEmptyDirectory(folder);
        Add(report, (empty ? "removed an empty " : "removed an unfinished ") + folder +
                        (empty ? "" : Cleared(tree, folder, {})));
        return;
    }
    if (!(text = tree.ReadRegular(journalPath, kMaxJournalBytes)).ok()) {
        report->whole = false;
        Add(report,
            "journal of " + folder + " unreadable, nothing undone; " + KeepFolder(tree, folder));
        return;
    }
    JournalContents journal = ReadJournal(text.bytes);
    if (*Untrusted(journal.state) != '\0') {
        report->whole = false;
        Add(report, "journal of " + folder + " " + Untrusted(journal.state) + ", nothing undone; " +
                        KeepFolder(tree, folder));
    } else if (journal.state == JournalState::kCommitted) {
        FinishSteps(tree, folder, journal.entries);
        Add(report, "finished an install" + Cleared(tree, folder, journal.entries));
    } else {
        RollBackLeftover(tree, folder, journal, report);
    }
}

// A folder kept aside earlier is judged like a staging folder, but only
// ever removed after the next install succeeded (RemoveKeptFolders): then
// it holds nothing the tree needs. One whose journal cannot be trusted
// stays, and talcheck-audit lists it.
void JudgeKeptFolder(plat::Tree& tree, const std::string& folder, RecoveryReport* report) {
    if (tree.Inspect(folder) != PathKind::kDirectory) return;
    std::string journalPath = folder + "/" + kJournalName;
    if (tree.Inspect(journalPath) == PathKind::kMissing) {
        report->removable.push_back(folder);
        return;
    }
    plat::WholeFile text = tree.ReadRegular(journalPath, kMaxJournalBytes);
    JournalContents journal = text.ok() ? ReadJournal(text.bytes) : JournalContents{};
    if (!text.ok() || *Untrusted(journal.state) != '\0') return;
    if (journal.state == JournalState::kCommitted) {
        FinishSteps(tree, folder, journal.entries);
        report->removable.push_back(folder);
        return;
    }
    UndoReport undo = UndoSteps(tree, folder, journal.entries);
    if (undo.restored > 0) Add(report, Undone(undo) + " from " + folder);
    if (undo.complete) report->removable.push_back(folder);
}

}  // namespace

RecoveryReport RecoverInstallDirectory(const char* installDirectory, bool keptFolders) {
    RecoveryReport report;
    plat::Tree tree = plat::Tree::Open(installDirectory);
    if (!tree.valid()) return report;
    for (int slot = 0; slot < kStagingSlots; ++slot)
        RecoverFolder(tree, StagingSlotName(slot), &report);
    for (int n = 1; keptFolders && n <= kKeptFolders; ++n)
        JudgeKeptFolder(tree, ".talcheck-kept-" + std::to_string(n), &report);
    return report;
}

std::string RemoveKeptFolders(const char* installDirectory,
                              const std::vector<std::string>& folders) {
    plat::Tree tree = plat::Tree::Open(installDirectory);
    std::string removed;
    for (const std::string& folder : folders) {
        if (!tree.valid() || !tree.RemoveTree(folder)) continue;
        removed += (removed.empty() ? "removed " : ", ") + folder;
    }
    return removed;
}

}  // namespace installation
