// The state behind an ArchiveHandle, shared by the archive operations.
#pragma once

#include <cstdint>
#include <memory>

#include "installation/archive.h"
#include "installation/archive_record.h"
#include "installation/archive_stream.h"

#include <unzip.h>

namespace installation {

struct ArchiveState {
    unzFile reader = nullptr;
    // The reader's open archive file; owned and closed by the reader.
    ArchiveStream* stream = nullptr;
    std::int32_t itemCount = 0;
    // The item the reader stands on (-1 unknown), and the first index that
    // cannot be reached because stepping through the central directory failed.
    std::int32_t currentIndex = -1;
    std::int32_t reachableCount = 0;

    // The item described last, with the central-record facts extraction needs.
    ItemRecord cached;
    std::int32_t cachedIndex = -1;
    // Why the last item description failed, for the run log; a static text.
    const char* itemFault = "";

    std::unique_ptr<char[]> password;  // owned copy, or null when none was given
    std::unique_ptr<unsigned char[]> outputBuffer;
    char extractionRoot[plat::kPathSize] = {};
    bool rootUsable = false;
};

// Size of the output buffer shared by all items of one archive, and so of
// each write to a staged file: 64 KB writes a package in a quarter of the
// calls 16 KB took, a twentieth of a whole run, for 48 KB more memory.
constexpr unsigned kOutputBufferSize = 65536;

// Puts the reader on item index (0 <= index < itemCount). ARC_OK, or
// ARC_BAD_ARGUMENT when the central directory cannot be stepped that far.
std::uint32_t PositionReader(ArchiveState& state, std::int32_t index);

}  // namespace installation
