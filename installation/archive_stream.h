// The file functions through which minizip reads an archive: a platform file
// handle opened for reading with read sharing.
#pragma once

#include <cstdint>

#include "platform/file_handle.h"

#include <ioapi.h>

namespace installation {

// The reader fetches header fields a byte or two at a time; small reads are
// served from a window of the file so that they do not cost a system call
// each. Reads of kStreamWindowSize bytes or more (item data) go straight to
// the file.
constexpr std::uint32_t kStreamWindowSize = 4096;

struct ArchiveStream {
    plat::File file;
    std::uint64_t position = 0;  // the reader's position; the file's pointer is not used
    std::uint64_t windowStart = 0;   // file offset of window[0]
    std::uint32_t windowLength = 0;  // valid bytes in window
    bool failed = false;
    unsigned char window[kStreamWindowSize];
};

// Fills functions so that the reader reads, seeks and closes through the
// ArchiveStream in *owner, over a file opened by the caller; the reader's
// open takes that stream whatever the path, and its close deletes it and
// sets *owner to null.
void FillArchiveFileFunctions(zlib_filefunc64_def* functions, ArchiveStream** owner);

// Reads exactly size bytes at offset; false when they are not all there.
bool ReadStreamAt(ArchiveStream& stream, std::uint64_t offset, void* buffer, std::uint32_t size);

// The little-endian number in the bytes (at most 8) at p, as ZIP records
// store their fields.
inline std::uint64_t ReadLe(const unsigned char* p, int bytes) {
    std::uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | p[i];
    return value;
}

}  // namespace installation
