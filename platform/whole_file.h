// A whole file read into memory, bounded in size and never waiting on a
// FIFO or device.
#pragma once

#include <cstdint>
#include <string>

#include "platform/file_handle.h"

namespace plat {

enum class WholeFileStatus {
    kRead,        // bytes hold the whole file
    kUnreadable,  // not opened, no regular file, or a read failed: see error
    kTooLarge,    // more than the bound, when measured or while read, or no memory for it
};

struct WholeFile {
    WholeFileStatus status = WholeFileStatus::kUnreadable;
    std::string bytes;  // empty unless kRead
    int error = 0;      // File::LastError of the failed open or read, when kUnreadable

    bool ok() const { return status == WholeFileStatus::kRead; }
};

// Reads the open file whole from its first byte; at most maxBytes. An
// invalid file is kUnreadable with the code its open failed with.
WholeFile ReadWhole(File& file, std::uint64_t maxBytes);

// Opens path with File::OpenForRead (a regular file only, a link followed)
// and reads it as ReadWhole does. Tree::ReadRegular reads without following
// links.
WholeFile ReadWholeFile(const char* path, std::uint64_t maxBytes);

}  // namespace plat
