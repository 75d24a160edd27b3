#include "installation/step_judge.h"

#include <zlib.h>

#include <unordered_map>

#include "installation/staging.h"

namespace installation {

namespace {

using plat::PathKind;

constexpr int kKeptNames = 10;

// The move aside recorded for each path, by the path as recorded.
std::unordered_map<std::string, const JournalEntry*> MovesAside(
    const std::vector<JournalEntry>& entries) {
    std::unordered_map<std::string, const JournalEntry*> aside;
    for (const JournalEntry& e : entries)
        if (e.kind == 'B') aside[e.path] = &e;
    return aside;
}

bool Crc32Of(plat::Tree& tree, const std::string& path, std::uint64_t size, std::uint32_t* crc) {
    plat::File file = tree.OpenRegular(path, size);
    if (!file.valid()) return false;
    static constexpr std::size_t kChunk = 65536;
    unsigned char buffer[kChunk];
    uLong sum = crc32(0, nullptr, 0);
    for (std::int64_t n; (n = file.Read(buffer, kChunk)) != 0;) {
        if (n < 0) return false;
        sum = crc32(sum, buffer, static_cast<uInt>(n));
    }
    *crc = static_cast<std::uint32_t>(sum);
    return true;
}

void UndoPlacement(plat::Tree& tree, const std::string& staged, const JournalEntry& e,
                   const JournalEntry* aside, const std::string& folder, UndoReport* report) {
    if (tree.Inspect(staged) != PathKind::kMissing || !HoldsPlacedFile(tree, e.path, e)) return;
    // The old file was never moved aside: what is at the path is the old
    // file with the package's content, or the placement was not taken.
    if (aside != nullptr && tree.Inspect(folder + "/" + aside->staged) == PathKind::kMissing)
        return;
    report->taken = true;
    tree.SetAttributes(e.path, plat::kAttrArchive);
    if (tree.Move(e.path, staged)) ++report->restored;
}

void UndoMoveAside(plat::Tree& tree, const std::string& staged, const JournalEntry& e,
                   UndoReport* report) {
    if (tree.Inspect(staged) == PathKind::kMissing) return;
    report->taken = true;
    if (tree.Move(staged, e.path)) {
        ++report->restored;
        return;
    }
    // The old file is at its place after all: the staged name holds a copy.
    if (HoldsMovedAside(tree, e.path, e) && !e.tree) return;
    // Kept beside its old place, so nothing of the old tree is lost and the
    // name is free for what is there.
    std::string kept = MoveToFreeName(tree, staged, e.path + ".talcheck-kept", 0, kKeptNames - 1);
    if (kept.empty()) {
        report->complete = false;
        return;
    }
    ++report->restored;
    report->kept.push_back(kept);
}

// A placement of a committed journal whose rename the file system lost.
void FinishPlacement(plat::Tree& tree, const std::string& folder, const JournalEntry& e,
                     const JournalEntry* aside) {
    std::string staged = folder + "/" + e.staged;
    if (HoldsPlacedFile(tree, e.path, e) || tree.Inspect(staged) != PathKind::kFile) return;
    if (aside != nullptr && HoldsMovedAside(tree, e.path, *aside))
        tree.Move(e.path, folder + "/" + aside->staged);
    if (tree.Inspect(e.path) == PathKind::kMissing && tree.Move(staged, e.path) &&
        (e.attributes & plat::kAttrReadOnly))
        tree.SetAttributes(e.path, e.attributes);
}

}  // namespace

bool HoldsPlacedFile(plat::Tree& tree, const std::string& path, const JournalEntry& e) {
    plat::FileStamp stamp;
    std::uint32_t crc = 0;
    return tree.Stamp(path, &stamp) && stamp.size == e.size && Crc32Of(tree, path, e.size, &crc) &&
           crc == e.check;
}

bool HoldsMovedAside(plat::Tree& tree, const std::string& path, const JournalEntry& e) {
    if (e.tree) return tree.Inspect(path) == PathKind::kDirectory;
    plat::FileStamp stamp;
    return tree.Stamp(path, &stamp) && stamp.size == e.size && stamp.writeTime == e.check;
}

UndoReport UndoSteps(plat::Tree& tree, const std::string& folder,
                     const std::vector<JournalEntry>& entries) {
    UndoReport report;
    auto aside = MovesAside(entries);
    for (auto e = entries.rbegin(); e != entries.rend(); ++e) {
        std::string staged = folder + "/" + e->staged;
        if (e->kind == 'D') {
            // Only when empty: anything put there stays.
            report.taken = tree.RemoveEmptyDirectory(e->path) || report.taken;
        } else if (e->kind == 'P') {
            auto partner = aside.find(e->path);
            UndoPlacement(tree, staged, *e, partner == aside.end() ? nullptr : partner->second,
                          folder, &report);
        } else if (e->kind == 'B') {
            UndoMoveAside(tree, staged, *e, &report);
        }
    }
    FlushTouchedDirectories(tree, folder, entries);
    return report;
}

void FinishSteps(plat::Tree& tree, const std::string& folder,
                 const std::vector<JournalEntry>& entries) {
    auto aside = MovesAside(entries);
    for (const JournalEntry& e : entries) {
        if (e.kind == 'D' && tree.Inspect(e.path) == PathKind::kMissing) tree.MakeDirectory(e.path);
        if (e.kind != 'P') continue;
        auto partner = aside.find(e.path);
        FinishPlacement(tree, folder, e, partner == aside.end() ? nullptr : partner->second);
    }
    FlushTouchedDirectories(tree, folder, entries);
}

}  // namespace installation
