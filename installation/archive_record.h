// What the central record and local header of an item say beyond its
// ArchiveItem: the facts the test before an install (CheckPackage) holds
// against the name rules, the supported methods and the file's layout.
#pragma once

#include <cstdint>
#include <string>

#include "installation/archive.h"

namespace installation {

struct ItemRecord {
    ArchiveItem item{};                // as GetArchiveItem describes it
    std::uint32_t flags = 0;           // the general purpose bit flags
    std::uint32_t crc = 0;             // CRC-32 of the data
    std::uint32_t dosDate = 0;         // DOS date and time
    int method = -1;                   // 0 stored, 8 deflate
    std::uint64_t compressedSize = 0;  // the record's sizes, zip64 included
    std::uint64_t uncompressedSize = 0;
    std::uint64_t dataStart = 0;  // file offset of the item's data
    const char* fault = "";       // why it cannot be described; a static text
};

// Describes item index (0 <= index < count) into *record. ARC_OK, or the
// code of GetArchiveItem with record->fault saying why ("unreadable" when
// the reader gives no reason).
std::uint32_t GetItemRecord(ArchiveHandle handle, std::int32_t index, ItemRecord* record);

// The stored name of item index, stripped, for naming an item whose
// description failed: control characters as '?', a name too long to be
// installed by its first 32 characters and "...", "item <n>" (counted from
// 1) when even the name is unreadable.
std::string ItemLabel(ArchiveHandle handle, std::int32_t index);

// The file offset of the archive's first central record (see
// installation/central_directory.h). False when there is none.
bool LocateArchiveDirectory(ArchiveHandle handle, std::uint64_t* begin);

}  // namespace installation
