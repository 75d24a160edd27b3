// The test a package passes before anything of it is written: everything the
// central directory and the local headers say is checked against the name
// rules, the supported methods, the file's own layout, sane limits and the
// free space of the install volume. The data itself is tested as it is
// written into the staging folder (CRC-32 and sizes).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "installation/archive.h"
#include "vocabulary/outcome.h"

namespace installation {

// What a package may hold at most, and what must stay free after it.
struct PackageLimits {
    // The item count the end record can hold without zip64.
    std::uint32_t maxItems = 65535;
    // The size a classic record can state; more is no client installation.
    std::uint64_t maxTotalSize = 0xFFFFFFFFu;
    // Left free on the install volume for the station's own programs.
    std::uint64_t reserveBytes = 16u << 20;
    // Allocation rounding per file (a 4 KB cluster).
    std::uint64_t slackPerItem = 4096;
};

struct PlannedItem {
    std::int32_t index;
    std::string name;  // after the stripping rule; directories end in a separator
    std::uint32_t attributes;
    std::string treeName;    // name as the install tree takes it (plat::TreeName)
    std::uint64_t size = 0;  // unpacked, as recorded
    std::uint32_t crc = 0;   // CRC-32 of the unpacked data, as recorded
    bool directory() const { return (attributes & plat::kAttrDirectory) != 0; }
};

// Tests every item of the open archive (no data is read) and fills plan
// with the items in central-directory order. False with *fault refused,
// naming the item (empty for the whole package) and the reason, when the
// package is refused; nothing is written either way.
bool CheckPackage(ArchiveHandle archive, const char* installDirectory, const PackageLimits& limits,
                  std::vector<PlannedItem>* plan, vocab::Outcome* fault);

// The name rules for a name left by the stripping rule: null when the
// name may be written below installDirectory, else the reason.
const char* RefuseItemName(const char* name, bool directory, const char* installDirectory);

}  // namespace installation
