// The file functions through which minizip reads an archive: a platform file
// handle opened for reading with read sharing.
#pragma once

#include <cstdint>

#include "platform/file_handle.h"

#include <ioapi.h>

struct ArchiveStream {
    plat::File file;
    // Where the file pointer stands, so that the reader's seek before every
    // read costs nothing when it is already there.
    std::uint64_t position = 0;
    bool failed = false;
};

// Fills functions so that the reader opens, reads, seeks and closes through
// ArchiveStream. *owner receives the stream at open and null at close.
void FillArchiveFileFunctions(zlib_filefunc64_def* functions, ArchiveStream** owner);

// Reads exactly size bytes at offset; false when they are not all there.
bool ReadStreamAt(ArchiveStream& stream, std::uint64_t offset, void* buffer, std::uint32_t size);
