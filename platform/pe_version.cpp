#include "platform/pe_version.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "platform/version_block.h"

namespace plat {
namespace {

constexpr std::uint32_t kResourceTypeVersion = 16;
constexpr std::uint32_t kVersionInfoId = 1;
constexpr std::uint32_t kLanguageUsEnglish = 0x0409;
constexpr std::uint32_t kLanguageNeutral = 0;
constexpr std::uint32_t kHighBit = 0x80000000u;
constexpr std::size_t kSectionHeaderBytes = 40;
constexpr std::size_t kDirectoryBytes = 16;
constexpr std::size_t kEntryBytes = 8;
constexpr std::size_t kEntriesPerRead = 64;
// wLength of a version block is 16 bits: nothing past that belongs to it.
constexpr std::uint32_t kMaxVersionBlock = 0xFFFF;
constexpr char kFileVersionPath[] = "\\StringFileInfo\\040904e4\\FileVersion";

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t U32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t{p[3]} << 24);
}

struct Section {
    std::uint32_t rva = 0;
    std::uint32_t raw_size = 0;
    std::uint32_t raw_offset = 0;
};

struct Image {
    std::uint64_t section_table = 0;  // file offset
    std::uint16_t section_count = 0;
    std::uint32_t resource_rva = 0;
};

// The bytes of the resource section in the file: [begin, end), and the
// file offset of the root directory.
struct ResourceArea {
    std::uint64_t begin = 0;
    std::uint64_t end = 0;
    std::uint64_t root = 0;
};

bool ReadImage(const ByteSource& file, Image* image) {
    std::uint8_t dos[64];
    if (!file.ReadAt(0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z') return false;
    const std::uint64_t nt = U32(dos + 0x3C);
    std::uint8_t header[24];
    if (!file.ReadAt(nt, header, sizeof header) || std::memcmp(header, "PE\0\0", 4) != 0)
        return false;
    image->section_count = U16(header + 6);
    const std::uint16_t optional_size = U16(header + 20);
    image->section_table = nt + sizeof header + optional_size;

    // The data directories follow the fixed part of the optional header,
    // which is longer in 64-bit images; the resource table is entry 2.
    std::uint8_t optional[240] = {};
    const std::size_t readable = std::min<std::size_t>(optional_size, sizeof optional);
    if (readable < 2 || !file.ReadAt(nt + sizeof header, optional, readable)) return false;
    const std::uint16_t magic = U16(optional);
    const std::size_t directories = magic == 0x20B ? 112 : magic == 0x10B ? 96 : 0;
    if (directories == 0) return false;
    const std::size_t resource_entry = directories + 2 * 8;
    if (resource_entry + 8 > readable || U32(optional + directories - 4) <= 2) return false;
    image->resource_rva = U32(optional + resource_entry);
    return image->resource_rva != 0;
}

// The section whose raw data holds rva.
bool FindSection(const ByteSource& file, const Image& image, std::uint32_t rva, Section* found) {
    std::uint8_t raw[kSectionHeaderBytes];
    for (std::uint16_t i = 0; i < image.section_count; ++i) {
        if (!file.ReadAt(image.section_table + i * kSectionHeaderBytes, raw, sizeof raw))
            return false;
        Section s{U32(raw + 12), U32(raw + 16), U32(raw + 20)};
        if (rva >= s.rva && rva - s.rva < s.raw_size) {
            *found = s;
            return true;
        }
    }
    return false;
}

bool FindResourceArea(const ByteSource& file, const Image& image, ResourceArea* area) {
    Section s;
    if (!FindSection(file, image, image.resource_rva, &s)) return false;
    area->begin = s.raw_offset;
    area->end = area->begin + s.raw_size;
    if (area->end > file.Size()) return false;
    area->root = area->begin + (image.resource_rva - s.rva);
    return true;
}

bool ReadInArea(const ByteSource& file, const ResourceArea& area, std::uint64_t offset, void* dst,
                std::size_t n) {
    if (offset < area.begin || offset > area.end || area.end - offset < n) return false;
    return file.ReadAt(offset, dst, n);
}

enum class Walk { kStopped, kFinished, kBroken };

// Calls visit(name, target) for each entry of the directory at the given
// offset from the root, until visit returns true.
template <typename Visit>
Walk VisitEntries(const ByteSource& file, const ResourceArea& area, std::uint32_t directory,
                  Visit visit) {
    std::uint8_t head[kDirectoryBytes];
    const std::uint64_t at = area.root + directory;
    if (!ReadInArea(file, area, at, head, sizeof head)) return Walk::kBroken;
    const std::size_t count = std::size_t{U16(head + 12)} + U16(head + 14);
    std::uint8_t entries[kEntriesPerRead * kEntryBytes];
    for (std::size_t first = 0; first < count; first += kEntriesPerRead) {
        const std::size_t n = std::min(kEntriesPerRead, count - first);
        const std::uint64_t offset = at + kDirectoryBytes + first * kEntryBytes;
        if (!ReadInArea(file, area, offset, entries, n * kEntryBytes)) return Walk::kBroken;
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint8_t* entry = entries + i * kEntryBytes;
            if (visit(U32(entry), U32(entry + 4))) return Walk::kStopped;
        }
    }
    return Walk::kFinished;
}

// The subdirectory of the entry with the numeric id (named entries have the
// high bit set and never match).
bool FindSubdirectory(const ByteSource& file, const ResourceArea& area, std::uint32_t directory,
                      std::uint32_t id, std::uint32_t* subdirectory) {
    auto visit = [&](std::uint32_t name, std::uint32_t target) {
        if (name != id || (target & kHighBit) == 0) return false;
        *subdirectory = target & ~kHighBit;
        return true;
    };
    return VisitEntries(file, area, directory, visit) == Walk::kStopped;
}

// The data entry of the preferred language: US English, else neutral, else
// the first one, as the system's resource lookup chooses.
bool FindLanguageEntry(const ByteSource& file, const ResourceArea& area, std::uint32_t directory,
                       std::uint32_t* data_entry) {
    struct Choice {
        bool found = false;
        std::uint32_t target = 0;
    } english, neutral, first;
    auto visit = [&](std::uint32_t name, std::uint32_t target) {
        if (!first.found) first = {true, target};
        if (name == kLanguageNeutral && !neutral.found) neutral = {true, target};
        if (name != kLanguageUsEnglish) return false;
        english = {true, target};
        return true;
    };
    if (VisitEntries(file, area, directory, visit) == Walk::kBroken) return false;
    const Choice& chosen = english.found ? english : neutral.found ? neutral : first;
    if (!chosen.found || (chosen.target & kHighBit) != 0) return false;
    *data_entry = chosen.target;
    return true;
}

// Where the version resource's bytes lie in the file.
bool FindVersionData(const ByteSource& file, std::uint64_t* offset, std::uint32_t* size) {
    Image image;
    ResourceArea area;
    std::uint32_t type = 0, name = 0, entry = 0;
    if (!ReadImage(file, &image) || !FindResourceArea(file, image, &area) ||
        !FindSubdirectory(file, area, 0, kResourceTypeVersion, &type) ||
        !FindSubdirectory(file, area, type, kVersionInfoId, &name) ||
        !FindLanguageEntry(file, area, name, &entry))
        return false;
    std::uint8_t data[16];
    Section s;
    if (!ReadInArea(file, area, area.root + entry, data, sizeof data) ||
        !FindSection(file, image, U32(data), &s))
        return false;
    *offset = std::uint64_t{s.raw_offset} + (U32(data) - s.rva);
    // Never past the section holding the data, nor past one block.
    const std::uint32_t in_section = s.raw_size - (U32(data) - s.rva);
    *size = std::min({U32(data + 4), in_section, kMaxVersionBlock});
    return *offset + *size <= file.Size();
}

}  // namespace

bool ReadPeVersionBlock(const ByteSource& file, PeVersionBlock* block) {
    std::uint64_t offset = 0;
    std::uint32_t length = 0;
    if (!FindVersionData(file, &offset, &length)) return false;
    block->bytes.reset(new (std::nothrow) std::uint8_t[length + 1]);
    block->size = length;
    if (block->bytes && !file.ReadAt(offset, block->bytes.get(), length)) block->bytes.reset();
    return true;
}

bool ReadPeFileVersion(const ByteSource& file, char* buffer, std::size_t size) {
    PeVersionBlock block;
    if (!ReadPeVersionBlock(file, &block)) return false;
    // From here on the file has version information: like a failed
    // GetFileVersionInfoA, a block that cannot be held or read leaves the
    // buffer untouched.
    VersionValue value;
    if (block.bytes && FindVersionValue(block.bytes.get(), block.size, kFileVersionPath, &value))
        CopyVersionValue(value, buffer, size);
    return true;
}

}  // namespace plat
