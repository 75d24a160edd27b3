#include "installation/extract.h"

#include <cstring>

#include "installation/archive_names.h"
#include "platform/file_system.h"
#include "platform/path_buffer.h"

namespace installation {

namespace {

void CreateIfMissing(const char* path) {
    if (plat::ReadAttributes(path) == plat::kInvalidAttributes) plat::CreateDirectoryLevel(path);
}

}  // namespace

void EnsureDirectoryPath(const char* root, const char* dir) {
    char path[plat::kPathSize] = {};
    if (root != nullptr && root[0] != '\0') {
        if (!plat::CopyBounded(path, sizeof path, root)) return;
        std::size_t length = std::strlen(path);
        if (IsSeparator(path[length - 1])) path[length - 1] = '\0';
        CreateIfMissing(path);
        plat::CopyBounded(path, sizeof path, root);
    }
    if (dir == nullptr || dir[0] == '\0') return;
    std::size_t base = std::strlen(path);
    if (!plat::AppendBounded(path, sizeof path, dir)) return;
    // Ancestors top down: every separator after the first character ends one.
    for (std::size_t i = base + 1; path[i] != '\0'; ++i) {
        if (!IsSeparator(path[i])) continue;
        char saved = path[i];
        path[i] = '\0';
        CreateIfMissing(path);
        path[i] = saved;
    }
    CreateIfMissing(path);
}

bool ExtractArchive(const char* archivePath, const char* destinationDirectory) {
    ScopedArchive scoped(OpenArchive(archivePath, nullptr));
    ArchiveHandle archive = scoped.get();
    if (archive == nullptr) return false;
    ArchiveItem item;
    bool result = SetExtractionRoot(archive, destinationDirectory) == ARC_OK &&
                  GetArchiveItem(archive, -1, &item) == ARC_OK && item.index > 0;
    std::int32_t count = result ? item.index : 0;
    for (std::int32_t i = 0; i < count; ++i) {
        // Within the count, ARC_BAD_ARGUMENT means the central directory
        // cannot be stepped to this item, nor to any after it.
        if (GetArchiveItem(archive, i, &item) == ARC_BAD_ARGUMENT) break;
        ExtractArchiveItem(archive, i, item.name);
    }
    return result;
}

}  // namespace installation
