#include "installation/archive_record.h"

#include <algorithm>
#include <cstring>

#include "installation/archive_names.h"
#include "installation/archive_state.h"
#include "installation/central_directory.h"

namespace installation {

std::uint32_t GetItemRecord(ArchiveHandle handle, std::int32_t index, ItemRecord* record) {
    if (handle == nullptr) return ARC_BAD_ARGUMENT;
    ArchiveState& state = *handle;
    state.itemFault = "unreadable";
    std::uint32_t result = GetArchiveItem(handle, index, &record->item);
    // The cache holds the item just described, whichever way it was had.
    if (result == ARC_OK) *record = state.cached;
    record->fault = result == ARC_OK ? "" : state.itemFault;
    return result;
}

std::string ItemLabel(ArchiveHandle handle, std::int32_t index) {
    char stored[plat::kPathSize] = {};
    unz_file_info64 info{};
    if (handle != nullptr && PositionReader(*handle, index) == ARC_OK &&
        unzGetCurrentFileInfo64(handle->reader, &info, stored, sizeof stored - 1, nullptr, 0,
                                nullptr, 0) == UNZ_OK) {
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

bool LocateArchiveDirectory(ArchiveHandle handle, std::uint64_t* begin) {
    return handle != nullptr && handle->stream != nullptr &&
           LocateCentralDirectory(*handle->stream, begin);
}

}  // namespace installation
