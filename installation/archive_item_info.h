// What an item's central record and local extra field say about the file to
// write: Windows attribute bits and the three times.
#pragma once

#include <cstddef>
#include <cstdint>

#include "installation/archive.h"
#include "platform/file_handle.h"

namespace installation {

// Attribute bits from the external attributes and the host byte (upper byte
// of version-made-by). Hosts 0, 7, 11, 14 store DOS bits; others (Unix) store
// a mode in the upper half: directory from bit 30, read-only when the owner
// write bit 23 is clear, always archive.
std::uint32_t MapItemAttributes(std::uint32_t externalAttributes, unsigned host);

// The DOS stamp (date in the upper, time in the lower 16 bits) as local time,
// converted to UTC. 0 for a stamp that is no calendar time (month 0, ...):
// such items keep the time of their writing.
plat::FileTime DosStampToFileTime(std::uint32_t dosStamp);

// Replaces the times that an extended-timestamp block ("UT") in the local
// extra field carries. Values the block announces but does not hold, within
// its own size and the field, are not read.
void ApplyTimestampBlock(const unsigned char* extra, std::size_t length, ArchiveItem* item);

// Seconds since 1970 (signed 32-bit, as the block stores them) to FILETIME.
plat::FileTime UnixSecondsToFileTime(std::int32_t seconds);

}  // namespace installation
