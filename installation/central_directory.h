// Where an archive's central directory lies in its file, found the way the
// reader finds it, so that checks on item data can compare positions with it.
#pragma once

#include <cstdint>

#include "installation/archive_stream.h"

namespace installation {

// How far back from the end the end record is searched: its 22 bytes, a
// comment of the largest length (65,535) and the 20-byte zip64 locator.
constexpr std::uint32_t kEndRecordSearch = 0xFFFF + 22 + 20;

// The file offset of the first central record into *begin, from the last
// end-record signature within kEndRecordSearch bytes of the end, with the
// zip64 end record when a zip64 locator is found there first, as the reader
// does. False when there is none or its sizes do not fit the file.
bool LocateCentralDirectory(ArchiveStream& stream, std::uint64_t* begin);

}  // namespace installation
