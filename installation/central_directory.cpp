#include "installation/central_directory.h"

#include <memory>
#include <new>

namespace installation {

namespace {

constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::uint32_t kZip64EndSignature = 0x06064b50;

// Offset of the last occurrence of signature in the tail; false when none.
bool FindLast(const unsigned char* tail, std::uint64_t tailStart, std::uint32_t length,
              std::uint32_t signature, std::uint64_t* offset) {
    if (length < 4) return false;
    for (std::uint32_t i = length - 3; i-- > 0;) {
        if (ReadLe(tail + i, 4) == signature) {
            *offset = tailStart + i;
            return true;
        }
    }
    return false;
}

// The directory's start from a zip64 locator; false when the record it
// points to is no zip64 end record.
bool ZipSixtyFourStart(ArchiveStream& stream, std::uint64_t locator, std::uint64_t* begin) {
    unsigned char bytes[56];
    if (!ReadStreamAt(stream, locator + 8, bytes, 8)) return false;
    std::uint64_t record = ReadLe(bytes, 8);
    if (!ReadStreamAt(stream, record, bytes, sizeof bytes) ||
        ReadLe(bytes, 4) != kZip64EndSignature)
        return false;
    std::uint64_t size = ReadLe(bytes + 40, 8);
    if (size > record) return false;
    *begin = record - size;
    return true;
}

}  // namespace

bool LocateCentralDirectory(ArchiveStream& stream, std::uint64_t* begin) {
    std::uint64_t fileSize = 0;
    if (!stream.file.Size(&fileSize)) return false;
    std::uint32_t length =
        fileSize < kEndRecordSearch ? static_cast<std::uint32_t>(fileSize) : kEndRecordSearch;
    std::uint64_t tailStart = fileSize - length;
    std::unique_ptr<unsigned char[]> tail(new (std::nothrow) unsigned char[length + 1]);
    if (!tail || !ReadStreamAt(stream, tailStart, tail.get(), length)) return false;

    std::uint64_t at = 0;
    if (FindLast(tail.get(), tailStart, length, kZip64LocatorSignature, &at) &&
        ZipSixtyFourStart(stream, at, begin))
        return true;
    if (!FindLast(tail.get(), tailStart, length, kEndSignature, &at) || at + 22 > fileSize)
        return false;
    std::uint64_t size = ReadLe(tail.get() + (at - tailStart) + 12, 4);
    if (size > at) return false;
    *begin = at - size;
    return true;
}

}  // namespace installation
