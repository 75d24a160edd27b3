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
    std::uint64_t position = 0;  // the reader's position
    // Where the file's own pointer stands; unknown (UINT64_MAX) for a file
    // that was open before.
    std::uint64_t filePointer = 0;
    std::uint64_t windowStart = 0;   // file offset of window[0]
    std::uint32_t windowLength = 0;  // valid bytes in window
    bool failed = false;
    unsigned char window[kStreamWindowSize];
};

// Fills functions so that the reader opens, reads, seeks and closes through
// ArchiveStream. *owner receives the stream at open and null at close. When
// *owner already holds a stream (over a file opened by the caller), the
// reader's open takes that one instead of opening a path.
void FillArchiveFileFunctions(zlib_filefunc64_def* functions, ArchiveStream** owner);

// Reads exactly size bytes at offset; false when they are not all there.
bool ReadStreamAt(ArchiveStream& stream, std::uint64_t offset, void* buffer, std::uint32_t size);

}  // namespace installation
