#include "installation/package_check.h"

#include <algorithm>
#include <cstring>

#include "installation/archive_names.h"
#include "installation/archive_state.h"
#include "installation/central_directory.h"
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

bool Refuse(update::Outcome* fault, std::string item, std::string reason) {
    *fault = update::Outcome::Refused(std::move(item), std::move(reason));
    return false;
}

// The stored name of the reader's current item, stripped, for naming an
// item whose description failed; "item <n>" when even that is unreadable.
std::string ItemLabel(ArchiveState& state, std::int32_t index) {
    char stored[plat::kPathSize] = {};
    unz_file_info64 info{};
    if (PositionReader(state, index) == ARC_OK &&
        unzGetCurrentFileInfo64(state.reader, &info, stored, sizeof stored - 1, nullptr, 0, nullptr,
                                0) == UNZ_OK) {
        stored[sizeof stored - 1] = '\0';
        std::replace_if(
            stored, stored + std::strlen(stored), [](unsigned char c) { return c < 32; }, '?');
        std::string name = StripItemName(stored);
        // A name too long to be installed is shown by its start.
        if (info.size_filename >= sizeof stored - 1) name = name.substr(0, 32) + "...";
        if (!name.empty()) return name;
    }
    return "item " + std::to_string(index + 1);
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
void MarkDirectoryByName(const ArchiveState& state, ArchiveItem* item) {
    std::size_t length = std::strlen(item->name);
    if (length > 0 && IsSeparator(item->name[length - 1]) && state.cachedUncompressedSize == 0)
        item->attributes |= plat::kAttrDirectory;
}

// Sizes and encryption from the central record of the item just described.
const char* RefuseRecord(const ArchiveState& state, const ArchiveItem& item) {
    if ((state.cachedFlags & kEncryptedFlags) != 0) return "encrypted";
    std::uint64_t packed = state.cachedCompressedSize;
    std::uint64_t size = state.cachedUncompressedSize;
    if (item.attributes & plat::kAttrDirectory) return size == 0 ? nullptr : "directory with data";
    if (state.cachedMethod == 0 && packed != size) return "stored item whose two sizes differ";
    if (size / kMaxDeflateRatio > packed) return "recorded size larger than its data can hold";
    if (state.cachedDataStart + packed < state.cachedDataStart) return "data size out of range";
    return nullptr;
}

bool CheckRanges(std::vector<DataRange>& ranges, std::uint64_t directoryBegin,
                 const std::vector<PlannedItem>& plan, update::Outcome* fault) {
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
                const PackageLimits& limits, update::Outcome* fault) {
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
                  std::vector<PlannedItem>* plan, update::Outcome* fault) {
    ArchiveItem item;
    if (archive == nullptr || archive->stream == nullptr) return Refuse(fault, "", "no archive");
    GetArchiveItem(archive, -1, &item);
    std::int32_t count = item.index;
    if (count <= 0) return Refuse(fault, "", "no items");
    if (static_cast<std::uint32_t>(count) > limits.maxItems)
        return Refuse(
            fault, "",
            std::to_string(count) + " items, more than " + std::to_string(limits.maxItems));
    std::uint64_t directoryBegin = 0;
    if (!LocateCentralDirectory(*archive->stream, &directoryBegin))
        return Refuse(fault, "", "end record not found");

    std::vector<DataRange> ranges;
    std::uint64_t total = 0;
    plan->clear();
    plan->reserve(static_cast<std::size_t>(count));
    ranges.reserve(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i) {
        archive->itemFault = "unreadable";
        if (GetArchiveItem(archive, i, &item) != ARC_OK)
            return Refuse(fault, ItemLabel(*archive, i), archive->itemFault);
        MarkDirectoryByName(*archive, &item);
        bool directoryItem = (item.attributes & plat::kAttrDirectory) != 0;
        const char* reason = RefuseRecord(*archive, item);
        if (reason == nullptr) reason = RefuseItemName(item.name, directoryItem, installDirectory);
        if (reason != nullptr) return Refuse(fault, ItemLabel(*archive, i), reason);
        bool utf8 = (archive->cachedFlags & kUtf8NameFlag) != 0;
        plan->push_back(PlannedItem{i, item.name, item.attributes, plat::TreeName(item.name, utf8),
                                    archive->cachedUncompressedSize, archive->cachedCrc});
        std::uint64_t packed = archive->cachedCompressedSize;
        if (packed > 0)
            ranges.push_back(DataRange{archive->cachedDataStart, archive->cachedDataStart + packed,
                                       plan->size() - 1});
        total += archive->cachedUncompressedSize;
        if (total > limits.maxTotalSize) break;
    }
    if (!CheckSpace(installDirectory, total, plan->size(), limits, fault)) return false;
    return CheckRanges(ranges, directoryBegin, *plan, fault);
}

}  // namespace installation
