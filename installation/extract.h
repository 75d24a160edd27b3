// Unpacking a whole ZIP package below a directory.
#pragma once

#include <cstdint>

#include "installation/archive.h"
#include "platform/file_handle.h"

namespace installation {

// Opens the archive (no password), sets destinationDirectory as its root
// and writes every item below it in central-directory order; an item that
// fails does not stop the others. True when the archive could be opened
// and lists at least one item (and the root fits the 260-byte path field);
// false otherwise, and then nothing is created. The archive file is left
// alone; the current directory is never changed.
bool ExtractArchive(const char* archivePath, const char* destinationDirectory);

// Creates dir below root (root may be null: dir is then used as it is) with
// every missing ancestor, top down; of the root only its last level is ever
// created. Paths that would not fit 259 bytes are not created. No result.
void EnsureDirectoryPath(const char* root, const char* dir);

// Writes item index (no password) into file, a new file the caller made,
// and gives it the item's times. ARC_OK only when the data yields exactly
// the recorded size and CRC-32; otherwise *reason (a static text) says why.
// A failed file stays for the caller to remove.
std::uint32_t StageArchiveItem(ArchiveHandle handle, std::int32_t index, plat::File& file,
                               const char** reason);

}  // namespace installation
