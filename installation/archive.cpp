// Opening, describing and closing archives; positioning the reader.
#include <algorithm>
#include <cstring>
#include <new>
#include <memory>

#include "installation/archive.h"
#include "installation/archive_item_info.h"
#include "installation/archive_names.h"
#include "installation/archive_state.h"
#include "platform/system.h"

namespace installation {

namespace {

constexpr int kStored = 0;
constexpr int kDeflated = 8;

// Notes why the item cannot be described, for the run log, and returns code.
std::uint32_t Fault(ArchiveState& state, std::uint32_t code, const char* why) {
    state.itemFault = why;
    return code;
}

// The local-header test: the reader compares the local header with the
// central record when it opens the item raw. Then the local extra field is
// read whole.
std::uint32_t ReadLocalExtraField(ArchiveState& state, std::unique_ptr<unsigned char[]>* extra,
                                  int* length) {
    if (unzOpenCurrentFile3(state.reader, nullptr, nullptr, 1, nullptr) != UNZ_OK)
        return Fault(state, ARC_BAD_LOCAL_HEADER, "local header does not match the central record");
    state.cached.dataStart = unzGetCurrentFileZStreamPos64(state.reader);
    *length = unzGetLocalExtrafield(state.reader, nullptr, 0);
    bool read = *length == 0;
    if (*length > 0) {
        extra->reset(new (std::nothrow) unsigned char[static_cast<std::size_t>(*length)]);
        read = *extra && unzGetLocalExtrafield(state.reader, extra->get(),
                                               static_cast<unsigned>(*length)) == *length;
    }
    unzCloseCurrentFile(state.reader);
    return read ? ARC_OK : Fault(state, ARC_EXTRA_FIELD_FAILED, "local extra field unreadable");
}

// Reads the current central record; refuses a name the reader had to cut
// and a method other than stored and deflate.
std::uint32_t ReadCentralRecord(ArchiveState& state, unz_file_info64* info,
                                char (&stored)[plat::kPathSize]) {
    if (unzGetCurrentFileInfo64(state.reader, info, stored, sizeof stored, nullptr, 0, nullptr,
                                0) != UNZ_OK)
        return Fault(state, ARC_OPEN_FAILED, "central record unreadable");
    // A name that fills the whole field has been cut by the reader; no
    // 260-byte path could hold it below a root anyway, so the item is skipped.
    if (info->size_filename >= plat::kPathSize)
        return Fault(state, ARC_OPEN_FAILED, "name of 260 bytes or more");
    if (info->compression_method != kStored && info->compression_method != kDeflated)
        return Fault(state, ARC_BAD_LOCAL_HEADER,
                     "compression method other than stored and deflate");
    return ARC_OK;
}

// Keeps item with the central-record facts extraction needs.
void CacheItem(ArchiveState& state, const ArchiveItem& item, const unz_file_info64& info) {
    state.cached.item = item;
    state.cachedIndex = item.index;
    state.cached.flags = static_cast<std::uint32_t>(info.flag);
    state.cached.crc = static_cast<std::uint32_t>(info.crc);
    state.cached.dosDate = static_cast<std::uint32_t>(info.dosDate);
    state.cached.compressedSize = info.compressed_size;
    state.cached.uncompressedSize = info.uncompressed_size;
    state.cached.method = static_cast<int>(info.compression_method);
}

// Fills item from the current central record and the local extra field.
std::uint32_t DescribeCurrentItem(ArchiveState& state, std::int32_t index, ArchiveItem* item) {
    unz_file_info64 info{};
    char stored[plat::kPathSize] = {};
    std::uint32_t code = ReadCentralRecord(state, &info, stored);
    std::unique_ptr<unsigned char[]> extra;
    int extraLength = 0;
    if (code == ARC_OK) code = ReadLocalExtraField(state, &extra, &extraLength);
    if (code != ARC_OK) return code;

    ArchiveItem result{};
    result.index = index;
    plat::CopyBounded(result.name, sizeof result.name, StripItemName(stored));
    result.attributes = MapItemAttributes(static_cast<std::uint32_t>(info.external_fa),
                                          static_cast<unsigned>(info.version >> 8) & 0xFF);
    result.compressedSize = static_cast<std::uint32_t>(info.compressed_size);
    result.uncompressedSize = static_cast<std::uint32_t>(info.uncompressed_size);
    result.writeTime = DosStampToFileTime(static_cast<std::uint32_t>(info.dosDate));
    result.accessTime = result.creationTime = result.writeTime;
    ApplyTimestampBlock(extra.get(), static_cast<std::size_t>(extraLength), &result);
    *item = result;
    CacheItem(state, result, info);
    return ARC_OK;
}

// The state with its password copy, the stream over file (its pointer
// unknown) and the current directory as the root.
ArchiveState* NewState(plat::File file, const char* password) {
    std::unique_ptr<ArchiveState> state(new (std::nothrow) ArchiveState);
    if (!state) return nullptr;
    if (password != nullptr) {
        std::size_t size = std::strlen(password) + 1;
        state->password.reset(new (std::nothrow) char[size]);
        if (!state->password) return nullptr;
        std::memcpy(state->password.get(), password, size);
    }
    state->stream = new (std::nothrow) ArchiveStream;
    if (state->stream == nullptr) return nullptr;
    state->stream->file = std::move(file);
    char cwd[plat::kPathSize - 1] = {};
    if (plat::GetWorkingDirectory(cwd, sizeof cwd)) SetExtractionRoot(state.get(), cwd);
    return state.release();
}

// Opens the reader over the stream in state->stream.
ArchiveHandle OpenReader(ArchiveState* state) {
    zlib_filefunc64_def functions;
    FillArchiveFileFunctions(&functions, &state->stream);
    // The reader's open is handed the prepared stream; the path is unused.
    state->reader = unzOpen2_64("", &functions);
    unz_global_info64 global{};
    if (state->reader == nullptr || unzGetGlobalInfo64(state->reader, &global) != UNZ_OK) {
        // A reader that fails closes its stream; one never opened leaves it here.
        if (state->reader == nullptr) delete state->stream;
        state->stream = nullptr;
        CloseArchive(state);
        return nullptr;
    }
    state->itemCount =
        static_cast<std::int32_t>(std::min<ZPOS64_T>(global.number_entry, INT32_MAX));
    state->reachableCount = state->itemCount;
    // The reader stands on item 0 after opening, if that record is readable.
    unz64_file_pos where{};
    state->currentIndex = unzGetFilePos64(state->reader, &where) == UNZ_OK ? 0 : -1;
    return state;
}

}  // namespace

std::uint32_t PositionReader(ArchiveState& state, std::int32_t index) {
    if (index >= state.reachableCount) return ARC_BAD_ARGUMENT;
    if (state.currentIndex < 0 || index < state.currentIndex) {
        state.currentIndex = -1;
        if (unzGoToFirstFile(state.reader) != UNZ_OK) {
            state.reachableCount = 0;
            return ARC_BAD_ARGUMENT;
        }
        state.currentIndex = 0;
    }
    // Every step must move: a record that cannot be read ends the walk for
    // good, since the ones behind it are found only through it.
    while (state.currentIndex < index) {
        if (unzGoToNextFile(state.reader) != UNZ_OK) {
            state.reachableCount = state.currentIndex + 1;
            state.currentIndex = -1;
            return ARC_BAD_ARGUMENT;
        }
        ++state.currentIndex;
    }
    return ARC_OK;
}

ArchiveHandle OpenArchive(const char* path, const char* password) {
    if (path == nullptr || path[0] == '\0') return nullptr;
    return OpenArchiveFile(plat::File::OpenForRead(path), password);
}

ArchiveHandle OpenArchiveFile(plat::File file, const char* password) {
    if (!file.valid()) return nullptr;
    ArchiveState* state = NewState(std::move(file), password);
    return state == nullptr ? nullptr : OpenReader(state);
}

std::uint32_t SetExtractionRoot(ArchiveHandle handle, const char* directory) {
    if (handle == nullptr) return ARC_BAD_ARGUMENT;
    char root[plat::kPathSize] = {};
    bool fits = directory != nullptr && plat::CopyBounded(root, sizeof root, directory);
    std::size_t length = fits ? std::strlen(root) : 0;
    if (fits && (length == 0 || !IsSeparator(root[length - 1])))
        fits = plat::AppendBounded(root, sizeof root, "/");
    // Never fall back to another directory: relative items now fail.
    if (!fits) root[0] = '\0';
    std::memcpy(handle->extractionRoot, root, sizeof root);
    handle->rootUsable = fits;
    return fits ? ARC_OK : ARC_OPEN_FAILED;
}

std::uint32_t GetArchiveItem(ArchiveHandle handle, std::int32_t index, ArchiveItem* item) {
    if (item == nullptr) return ARC_BAD_ARGUMENT;
    item->index = 0;
    item->name[0] = '\0';
    item->uncompressedSize = 0;
    if (handle == nullptr || index < -1 || index >= handle->itemCount) return ARC_BAD_ARGUMENT;
    if (index == -1) {
        std::memset(item, 0, sizeof *item);
        item->index = handle->itemCount;
        return ARC_OK;
    }
    if (index == handle->cachedIndex) {
        *item = handle->cached.item;
        return ARC_OK;
    }
    std::uint32_t code = PositionReader(*handle, index);
    if (code != ARC_OK)
        return Fault(*handle, code, "central directory cannot be read up to this item");
    return DescribeCurrentItem(*handle, index, item);
}

std::uint32_t CloseArchive(ArchiveHandle handle) {
    if (handle == nullptr) return ARC_BAD_ARGUMENT;
    if (handle->reader != nullptr) unzClose(handle->reader);
    delete handle;
    return ARC_OK;
}

}  // namespace installation
