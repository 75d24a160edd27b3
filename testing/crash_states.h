// The states a power cut may leave a tree in, derived from a recording of
// what changed it (platform/tree_recording.h) and from nothing else.
//
// Each recorded change is cut into units: a write into the blocks of
// kCrashBlock bytes it touches, a tree's removal into one removal per entry,
// children first. A unit is durable once a later flush covers it:
//   - a file flush: that file's blocks, size, times and attributes;
//   - a directory flush: each entry made, moved or removed in it (a move
//     is one change: a flush of either of its directories covers it);
//   - a file-system flush: everything.
// A unit that survives brings every earlier unit it depends on: one on the
// same entry or node name, the making of the directory it puts an entry
// into, and for a directory's removal everything done in that directory.
// Blocks depend on nothing: each may survive, be lost or read as zeros.
//
// At each crash point (before each unit, and after the last) the states
// are: every durable unit with all, none, only one (and what it depends
// on) or all but one (and what depends on it) of the units not yet durable,
// and all of them with one block zeroed. The prefixes are the "all" states
// of the earlier crash points.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/tree_recording.h"
#include "testing/fs_image.h"

namespace testing_support {

constexpr std::size_t kCrashBlock = 512;

struct CrashState {
    std::string label;  // the crash point and the choice, for messages
    FsImage image;
};

struct CrashStates {
    std::vector<CrashState> states;  // distinct, at most the limit asked for
    std::size_t distinct = 0;        // before the limit
    std::size_t units = 0;
    std::string problem;  // an event the model could not follow; empty when none
};

// The states of the tree that events below root (as Tree::Open was given
// it; events of other trees are left out) may leave when the power fails,
// starting from before. More than limit distinct states are thinned evenly.
// Crash points before unit firstPoint are left out (all of them but the
// last when it is past the end).
CrashStates EnumerateCrashStates(const FsImage& before, const std::vector<plat::TreeEvent>& events,
                                 const std::string& root, std::size_t limit,
                                 std::size_t firstPoint = 0);

// The tree once every event below root has taken effect.
FsImage Replay(const FsImage& before, const std::vector<plat::TreeEvent>& events,
               const std::string& root);

}  // namespace testing_support
