#include "installation/zip_record_check.h"

#include <algorithm>
#include <cstring>

#include "installation/archive_names.h"
#include "installation/archive_record.h"
#include "platform/disk_space.h"
#include "platform/tree.h"

namespace installation {

namespace {

constexpr std::uint32_t kEncryptedFlags = 0x01 | 0x40;  // traditional or strong encryption
constexpr std::uint64_t kMaxDeflateRatio = 1032;        // deflate's own bound
constexpr std::uint32_t kUtf8NameFlag = 0x800;

struct DataRange {
    std::uint64_t begin;
    std::uint64_t end;
    std::size_t planned;  // position in the plan
};

bool Refuse(vocab::Outcome* fault, std::string item, std::string reason) {
    *fault = vocab::Outcome::Refused(std::move(item), std::move(reason));
    return false;
}

// "." names the directory itself (tools write "./bin/x"); ".." climbs, and
// since Windows drops trailing dots and blanks, so may "..." or ".. ".
bool ComponentRefused(const std::string& part) {
    if (part.empty() || part == ".") return false;
    return part.back() == '.' || part.back() == ' ';
}

// An empty item named like a directory is one, whatever its attribute bits
// say: jar tools write "META-INF/" with none. With data it stays a file
// without a name and is refused as such.
void MarkDirectoryByName(ItemRecord& record) {
    ArchiveItem& item = record.item;
    std::size_t length = std::strlen(item.name);
    if (length > 0 && IsSeparator(item.name[length - 1]) && record.uncompressedSize == 0)
        item.attributes |= plat::kAttrDirectory;
}

// Sizes and encryption from the central record.
const char* RefuseRecord(const ItemRecord& record) {
    if ((record.flags & kEncryptedFlags) != 0) return "encrypted";
    std::uint64_t packed = record.compressedSize;
    std::uint64_t size = record.uncompressedSize;
    if (record.item.attributes & plat::kAttrDirectory)
        return size == 0 ? nullptr : "directory with data";
    if (record.method == 0 && packed != size) return "stored item whose two sizes differ";
    if (size / kMaxDeflateRatio > packed) return "recorded size larger than its data can hold";
    if (record.dataStart + packed < record.dataStart) return "data size out of range";
    return nullptr;
}

bool CheckRanges(std::vector<DataRange>& ranges, std::uint64_t directoryBegin,
                 const std::vector<PlannedItem>& plan, vocab::Outcome* fault) {
    std::sort(ranges.begin(), ranges.end(), [](const DataRange& a, const DataRange& b) {
        return a.begin != b.begin ? a.begin < b.begin : a.planned < b.planned;
    });
    for (std::size_t i = 0; i < ranges.size(); ++i) {
        const DataRange& r = ranges[i];
        if (r.end > directoryBegin)
            return Refuse(fault, plan[r.planned].name, "data overlaps the central directory");
        if (i > 0 && r.begin < ranges[i - 1].end)
            return Refuse(fault, plan[r.planned].name,
                          "data overlaps that of " + plan[ranges[i - 1].planned].name);
    }
    return true;
}

bool CheckSpace(const char* installDirectory, std::uint64_t total, std::size_t count,
                const PackageLimits& limits, vocab::Outcome* fault) {
    if (total > limits.maxTotalSize)
        return Refuse(fault, "",
                      std::to_string(total) + " bytes unpacked, more than " +
                          std::to_string(limits.maxTotalSize));
    std::uint64_t needed = total + count * limits.slackPerItem + limits.reserveBytes;
    std::uint64_t free = 0;
    if (plat::FreeDiskSpace(installDirectory, &free) && needed > free)
        return Refuse(fault, "",
                      "needs " + std::to_string(needed) + " bytes, " + std::to_string(free) +
                          " free on the install volume");
    return true;
}

}  // namespace

const char* RefuseItemName(const char* name, bool directory, const char* installDirectory) {
    std::size_t length = std::strlen(name);
    if (length == 0 || (!directory && IsSeparator(name[length - 1])))
        return directory ? nullptr : "no file name";
    if (length + std::strlen(installDirectory) + 1 >= plat::kPathSize)
        return "path longer than 259 characters";
    for (const char* p = name; *p != '\0'; ++p) {
        if (static_cast<unsigned char>(*p) < 32 || std::strchr("<>:\"|?*", *p) != nullptr)
            return "character not allowed in a file name";
    }
    if (NamesDevice(name)) return "device name";
    bool sound =
        ForEachComponent(name, [](const std::string& part) { return !ComponentRefused(part); });
    return sound ? nullptr : "name component ending in a dot or blank";
}

bool CheckPackage(ArchiveHandle archive, const char* installDirectory, const PackageLimits& limits,
                  std::vector<PlannedItem>* plan, vocab::Outcome* fault) {
    ItemRecord record;
    std::uint64_t directoryBegin = 0;
    if (GetArchiveItem(archive, -1, &record.item) != ARC_OK) return Refuse(fault, "", "no archive");
    std::int32_t count = record.item.index;
    if (count <= 0) return Refuse(fault, "", "no items");
    if (static_cast<std::uint32_t>(count) > limits.maxItems)
        return Refuse(
            fault, "",
            std::to_string(count) + " items, more than " + std::to_string(limits.maxItems));
    if (!LocateArchiveDirectory(archive, &directoryBegin))
        return Refuse(fault, "", "end record not found");

    std::vector<DataRange> ranges;
    std::uint64_t total = 0;
    plan->clear();
    plan->reserve(static_cast<std::size_t>(count));
    ranges.reserve(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i) {
        if (GetItemRecord(archive, i, &record) != ARC_OK)
            return Refuse(fault, ItemLabel(archive, i), record.fault);
        MarkDirectoryByName(record);
        const ArchiveItem& item = record.item;
        bool directoryItem = (item.attributes & plat::kAttrDirectory) != 0;
        const char* reason = RefuseRecord(record);
        if (reason == nullptr) reason = RefuseItemName(item.name, directoryItem, installDirectory);
        if (reason != nullptr) return Refuse(fault, ItemLabel(archive, i), reason);
        bool utf8 = (record.flags & kUtf8NameFlag) != 0;
        plan->push_back(PlannedItem{i, item.name, item.attributes, plat::TreeName(item.name, utf8),
                                    record.uncompressedSize, record.crc});
        if (record.compressedSize > 0)
            ranges.push_back(DataRange{record.dataStart, record.dataStart + record.compressedSize,
                                       plan->size() - 1});
        total += record.uncompressedSize;
        if (total > limits.maxTotalSize) break;
    }
    if (!CheckSpace(installDirectory, total, plan->size(), limits, fault)) return false;
    return CheckRanges(ranges, directoryBegin, *plan, fault);
}

}  // namespace installation
