// What the crash-state model lets a power cut at the end of a recording
// keep and lose (testing/crash_states.h).
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "testing/crash_states.h"

namespace {

using plat::TreeEvent;
using plat::TreeOp;
using testing_support::FsImage;

const char* const kMissing = "(missing)";

TreeEvent Event(TreeOp op, const std::string& path, const std::string& data = "") {
    TreeEvent e;
    e.op = op;
    e.root = "/r";
    e.path = path;
    (op == TreeOp::kMove ? e.target : e.data) = data;
    return e;
}

const TreeEvent kCreate = Event(TreeOp::kCreateFile, "d/f");
const TreeEvent kWrite = Event(TreeOp::kWrite, "d/f", "abc");
const TreeEvent kFlushF = Event(TreeOp::kFlushFile, "d/f");
const TreeEvent kFlushD = Event(TreeOp::kFlushDirectory, "d");
const TreeEvent kMove = Event(TreeOp::kMove, "d/old", "e/moved");
const TreeEvent kFlushFs = Event(TreeOp::kFlushFileSystem, "");
const TreeEvent kRemoveD = Event(TreeOp::kRemoveTree, "d");
const TreeEvent kBlocks = Event(TreeOp::kWrite, "d/f", std::string(1024, 'a'));
const TreeEvent kMoveF = Event(TreeOp::kMove, "d/f", "e/f");
const TreeEvent kFlushE = Event(TreeOp::kFlushDirectory, "e");
const std::string kZeros(3, '\0');
// The first block lost, the second kept.
const std::string kHole = std::string(512, '\0') + std::string(512, 'a');

struct Case {
    const char* name;
    std::vector<TreeEvent> events;
    std::string path;
    std::string contents;      // or kMissing
    bool possible;             // in some state of the last crash point
    std::string goneToo = "";  // a path that is missing in that state as well
};

const Case kCases[] = {
    {"a name never flushed may vanish", {kCreate, kWrite, kFlushF}, "d/f", kMissing, true},
    {"a flushed directory keeps it", {kCreate, kWrite, kFlushF, kFlushD}, "d/f", kMissing, false},
    {"data never flushed may read as zeros", {kCreate, kWrite, kFlushD}, "d/f", kZeros, true},
    {"or be lost", {kCreate, kWrite, kFlushD}, "d/f", "", true},
    {"flushed data stays", {kCreate, kWrite, kFlushF, kFlushD}, "d/f", "", false},
    {"a lost block leaves a hole", {kCreate, kBlocks, kFlushD}, "d/f", kHole, true},
    {"a move may be lost", {kMove}, "e/moved", kMissing, true},
    {"a flush of either directory keeps a move", {kMove, kFlushD}, "e/moved", kMissing, false},
    {"a kept move stays", {kCreate, kWrite, kFlushF, kMoveF, kFlushE}, "e/f", kMissing, false},
    {"a removed tree may keep some entries", {kRemoveD}, "d/old", "old", true, "d/old2"},
    {"a file-system flush keeps the data", {kCreate, kWrite, kFlushFs}, "d/f", kZeros, false},
    {"and only that", {kCreate, kWrite, kFlushFs}, "d/f", kMissing, false},
};

// Whether some state of the last crash point holds c.contents at c.path.
bool MayLeave(const Case& c) {
    FsImage before;
    before.AddFile("d/old", "old", 1);
    before.AddFile("d/old2", "old2", 1);
    before.AddDirectory("e");
    testing_support::CrashStates states =
        testing_support::EnumerateCrashStates(before, c.events, "/r", 1000, SIZE_MAX);
    EXPECT_EQ(states.problem, "") << c.name;
    bool found = false;
    for (const testing_support::CrashState& state : states.states) {
        int node = state.image.Find(c.path);
        std::string contents = node < 0 ? kMissing : state.image.node(node).data;
        bool gone = c.goneToo.empty() || state.image.Find(c.goneToo) < 0;
        found = found || (contents == c.contents && gone);
    }
    return found;
}

TEST(CrashModelTest, WhatAPowerCutAtTheEndMayLeave) {
    for (const Case& c : kCases) EXPECT_EQ(MayLeave(c), c.possible) << c.name;
}

}  // namespace
