// The units of change that testing/crash_states.h reasons about, made from
// recorded Tree events against an image of the tree.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/tree_recording.h"
#include "testing/fs_image.h"

namespace testing_support {

enum class UnitKind {
    kLink,
    kMove,
    kUnlink,
    kMeta,
    kBlock,
    kFlushNode,
    kFlushDirectory,
    kFlushAll
};

struct Unit {
    UnitKind kind = UnitKind::kFlushAll;
    int node = -1;  // made, moved, removed, changed or flushed
    int dir = -1;   // the entry's directory (a move's source)
    std::string name;
    int toDir = -1;  // a move's target
    std::string toName;
    bool directory = false;  // a link that makes a directory
    plat::TreeOp meta = plat::TreeOp::kSetTimes;
    std::uint32_t attributes = 0;
    std::uint64_t offset = 0;  // a block's, or a truncation's new size
    plat::FileTime time = 0;
    std::string data;
    std::string what;  // for labels

    bool barrier() const { return kind >= UnitKind::kFlushNode; }
};

enum class Fate { kKept, kZeroed };

// Applies unit to image; a change that no longer fits (its entry taken or
// gone because an earlier unit was lost) is left out, as the disk would.
void ApplyUnit(const Unit& unit, Fate fate, FsImage* image);

// The units of the events below root, replayed on image as they are made.
// Empty problem when every event could be followed.
std::vector<Unit> MakeUnits(const std::vector<plat::TreeEvent>& events, const std::string& root,
                            FsImage* image, std::string* problem);

}  // namespace testing_support
