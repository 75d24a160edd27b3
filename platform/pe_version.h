// The FileVersion text of a PE file (.exe, .dll), read without the Windows
// loader: the POSIX backend of ReadFileVersion, compiled and tested on both
// platforms.
//
// It reads only what it needs, each read bounded by the file and by the
// structure it belongs to: the DOS and NT headers, the section table, the
// resource tree down to the version resource (type 16, id 1; language 0409,
// else neutral, else the first), and the version block itself. As Windows
// does, the resource section's raw data must lie in the file whole: a copy
// cut anywhere before its end has no version information.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace plat {

// Bounded random access to the bytes of a file (or, in tests, of memory).
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Fills dst with the n bytes at offset. False when any of them lies past
    // the end or cannot be read; dst is then unspecified.
    virtual bool ReadAt(std::uint64_t offset, void* dst, std::size_t n) const = 0;
};

// ReadFileVersion (platform/file_version.h) over the bytes of file, with the
// same results: false when there is no version resource or the file is not a
// well-formed PE file as far as the reader goes.
bool ReadPeFileVersion(const ByteSource& file, char* buffer, std::size_t size);

// A version block (VS_VERSIONINFO) read from a file, for FindVersionValue
// (platform/version_block.h).
struct PeVersionBlock {
    std::unique_ptr<std::uint8_t[]> bytes;  // null: the block could not be held or read
    std::size_t size = 0;
};

// The whole version block of file, as ReadPeFileVersion chooses it: false
// when the file has no version information, as there. True otherwise, with
// block->bytes null when the block cannot be held or read.
bool ReadPeVersionBlock(const ByteSource& file, PeVersionBlock* block);

}  // namespace plat
