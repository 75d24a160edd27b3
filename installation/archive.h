// Archive access: open a ZIP package, describe its items, write them below
// an extraction root, close it. Every operation returns a result code (0 is
// success) and never throws.
//
// Calling order: OpenArchive; SetExtractionRoot unless the current
// directory is to be the root; GetArchiveItem(-1) for the count; then
// GetArchiveItem / ExtractArchiveItem for any indexes in any order
// (ascending is cheapest); CloseArchive once, which frees the handle.
// Every operation accepts a null handle and returns ARC_BAD_ARGUMENT.
#pragma once

#include <cstdint>

#include "platform/file_handle.h"
#include "platform/path_buffer.h"
#include "platform/scoped_handle.h"

namespace installation {

constexpr std::uint32_t ARC_OK = 0;
// The archive cannot be opened or holds no usable ZIP archive; or the
// output file of an item cannot be created (its path is too long, names a
// device, or the platform refuses it); or the item's stored name is too long.
constexpr std::uint32_t ARC_OPEN_FAILED = 0x200;
constexpr std::uint32_t ARC_WRITE_FAILED = 0x400;
// The local header does not match the central record, or the item is
// neither stored nor deflated.
constexpr std::uint32_t ARC_BAD_LOCAL_HEADER = 0x700;
constexpr std::uint32_t ARC_EXTRA_FIELD_FAILED = 0x800;
// Encrypted item whose decrypted check byte does not match.
constexpr std::uint32_t ARC_PASSWORD = 0x1000;
// Null handle, an index out of range, or an item the central directory
// cannot be stepped to (a damaged record before it).
constexpr std::uint32_t ARC_BAD_ARGUMENT = 0x10000;
// Item data broken: the reader failed, ran out before the item's end, or
// the CRC-32 of the data does not match.
constexpr std::uint32_t ARC_DATA_ERROR = 0x5000000;

struct ArchiveItem {
    std::int32_t index;          // position in the central directory; the count for index -1
    char name[plat::kPathSize];  // stored name after the stripping rule; directories keep
                                 // their trailing separator
    std::uint32_t attributes;    // Windows attribute bits (plat::kAttr*)
    plat::FileTime accessTime;   // UTC FILETIMEs; 0 when the archive gives no valid time
    plat::FileTime creationTime;
    plat::FileTime writeTime;
    std::uint32_t compressedSize;
    std::uint32_t uncompressedSize;
};

struct ArchiveState;
using ArchiveHandle = ArchiveState*;

// Opens the ZIP file at path with read sharing (others can read it, not
// write it, until CloseArchive). password may be null; it is used only for
// encrypted items, which are keyed like the empty password without one.
// The extraction root starts as the current directory. Null on any failure.
ArchiveHandle OpenArchive(const char* path, const char* password);

// OpenArchive over a file the caller has opened (for instance a duplicate
// of a handle it keeps): the archive reads through file, which it owns and
// closes with CloseArchive, from wherever file's pointer stands.
ArchiveHandle OpenArchiveFile(plat::File file, const char* password);

// The root for relative destination names: directory followed by "/" unless
// it already ends in a separator. A text that does not fit 259 bytes with its
// separator gives ARC_OPEN_FAILED, and items with relative destinations then
// fail with ARC_OPEN_FAILED instead of going anywhere else.
std::uint32_t SetExtractionRoot(ArchiveHandle handle, const char* directory);

// Index -1: item->index = number of items. Otherwise describes item index.
// item->index, name and uncompressedSize are cleared first, whatever happens.
// A second call for the same index is served without reading the archive.
std::uint32_t GetArchiveItem(ArchiveHandle handle, std::int32_t index, ArchiveItem* item);

// Writes item index to destinationName, relative to the extraction root
// unless absolute (first character "\" or "/", or second ":"). Directory
// items create the directory and its ancestors. A failing file keeps what
// was written of it but not the archive's times.
std::uint32_t ExtractArchiveItem(ArchiveHandle handle, std::int32_t index,
                                 const char* destinationName);

// Closes the archive file and frees the handle.
std::uint32_t CloseArchive(ArchiveHandle handle);

// An open archive closed (CloseArchive) when it goes out of scope; invalid
// after a failed open.
struct ArchiveTraits {
    using Handle = ArchiveHandle;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle handle) noexcept { CloseArchive(handle); }
};
using ScopedArchive = plat::ScopedHandle<ArchiveTraits>;

}  // namespace installation
