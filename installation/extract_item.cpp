// Writing one item of an open archive to disk.
#include <cstring>
#include <new>

#include "installation/archive.h"
#include "installation/archive_names.h"
#include "installation/archive_state.h"
#include "installation/extract.h"
#include "installation/zip_check_byte.h"
#include "platform/file_handle.h"

namespace installation {

namespace {

constexpr int kBadPasswordRead = -106;

struct OutputPath {
    char path[plat::kPathSize];
    char directory[plat::kPathSize];  // directory part, with its trailing separator
    const char* root;                 // extractionRoot, or null for absolute names
};

// Splits name after its last separator and prefixes the root unless the
// directory part is absolute. False when the result would not fit.
bool ComposeOutputPath(const ArchiveState& state, const char* name, OutputPath* out) {
    std::size_t leaf = LeafOffset(name);
    if (leaf >= sizeof out->directory) return false;
    std::memcpy(out->directory, name, leaf);
    out->directory[leaf] = '\0';
    bool absolute = IsAbsoluteName(out->directory);
    if (!absolute && !state.rootUsable) return false;
    out->root = absolute ? nullptr : state.extractionRoot;
    out->path[0] = '\0';
    return plat::AppendBounded(out->path, sizeof out->path, absolute ? "" : out->root) &&
           plat::AppendBounded(out->path, sizeof out->path, name);  // directory and leaf
}

// Compares the decrypted check byte with the item's CRC-32 high byte (the
// DOS time's high byte when sizes and CRC follow the data).
bool CheckByteMatches(ArchiveState& state) {
    if (state.stream == nullptr) return false;
    ZPOS64_T dataStart = unzGetCurrentFileZStreamPos64(state.reader);
    unsigned char header[12];
    if (dataStart < sizeof header ||
        !ReadStreamAt(*state.stream, dataStart - sizeof header, header, sizeof header))
        return false;
    unsigned expected =
        (state.cached.flags & 8) != 0 ? (state.cached.dosDate >> 8) & 0xFF : state.cached.crc >> 24;
    // A null password counts as the empty one there.
    return DecryptedCheckByte(state.password.get(), header) == expected;
}

// Copies the open item's data into file; *written counts the bytes.
std::uint32_t CopyItemData(ArchiveState& state, plat::File& file, std::uint64_t* written) {
    if (!state.outputBuffer) {
        state.outputBuffer.reset(new (std::nothrow) unsigned char[kOutputBufferSize]);
        if (!state.outputBuffer) return ARC_DATA_ERROR;
    }
    for (;;) {
        int n = unzReadCurrentFile(state.reader, state.outputBuffer.get(), kOutputBufferSize);
        if (n == kBadPasswordRead) return ARC_PASSWORD;
        if (n < 0) return ARC_DATA_ERROR;
        if (n > 0 && !file.Write(state.outputBuffer.get(), static_cast<std::size_t>(n)))
            return ARC_WRITE_FAILED;
        *written += static_cast<std::uint64_t>(n);
        if (unzeof(state.reader) == 1) return ARC_OK;
        if (n == 0) return ARC_DATA_ERROR;
    }
}

std::uint32_t ExtractFileItem(ArchiveState& state, const ArchiveItem& item, const char* name) {
    OutputPath out;
    if (!ComposeOutputPath(state, name, &out)) return ARC_OPEN_FAILED;
    EnsureDirectoryPath(out.root, out.directory);
    plat::File file = plat::File::CreateAlways(out.path, item.attributes);
    if (!file.valid()) return ARC_OPEN_FAILED;

    bool encrypted = (state.cached.flags & 1) != 0;
    const char* password = state.password ? state.password.get() : "";
    // An item that cannot be opened would fail at its first read anyway.
    if (unzOpenCurrentFile3(state.reader, nullptr, nullptr, 0, encrypted ? password : nullptr) !=
        UNZ_OK)
        return ARC_DATA_ERROR;
    std::uint32_t code = encrypted && !CheckByteMatches(state) ? ARC_PASSWORD : ARC_OK;
    std::uint64_t written = 0;
    if (code == ARC_OK) code = CopyItemData(state, file, &written);
    // The reader's verdict on the CRC-32 counts: broken data is no success.
    if (unzCloseCurrentFile(state.reader) == UNZ_CRCERROR && code == ARC_OK) code = ARC_DATA_ERROR;
    if (code == ARC_OK) file.SetTimes(item.creationTime, item.accessTime, item.writeTime);
    return code;
}

const char* DescribeStagingFailure(std::uint32_t code, bool crcMismatch, std::uint64_t written,
                                   std::uint64_t expected) {
    if (code == ARC_WRITE_FAILED) return "write failed";
    if (crcMismatch) return "CRC-32 mismatch";
    if (code == ARC_OK && written != expected) return "size differs from the central record";
    if (code == ARC_DATA_ERROR && written < expected) return "data shorter than recorded";
    return "data broken";
}

std::uint32_t Because(const char** reason, const char* text, std::uint32_t code) {
    *reason = text;
    return code;
}

}  // namespace

std::uint32_t StageArchiveItem(ArchiveHandle handle, std::int32_t index, plat::File& file,
                               const char** reason) {
    ArchiveItem item;
    *reason = "unreadable";
    std::uint32_t code = GetArchiveItem(handle, index, &item);
    if (code == ARC_OK) code = PositionReader(*handle, index);
    if (code != ARC_OK) return code;
    if (!file.valid()) return Because(reason, "cannot create the staged file", ARC_OPEN_FAILED);
    ArchiveState& state = *handle;
    if (unzOpenCurrentFile3(state.reader, nullptr, nullptr, 0, nullptr) != UNZ_OK)
        return Because(reason, "data broken", ARC_DATA_ERROR);
    std::uint64_t written = 0;
    code = CopyItemData(state, file, &written);
    bool crcMismatch = unzCloseCurrentFile(state.reader) == UNZ_CRCERROR;
    std::uint64_t expected = state.cached.uncompressedSize;
    if (code == ARC_OK && (crcMismatch || written != expected)) code = ARC_DATA_ERROR;
    if (code != ARC_OK)
        return Because(reason, DescribeStagingFailure(code, crcMismatch, written, expected), code);
    if (!file.SetTimes(item.creationTime, item.accessTime, item.writeTime))
        return Because(reason, "times cannot be set", ARC_WRITE_FAILED);
    return ARC_OK;
}

std::uint32_t ExtractArchiveItem(ArchiveHandle handle, std::int32_t index,
                                 const char* destinationName) {
    if (handle == nullptr || index < 0 || index >= handle->itemCount) return ARC_BAD_ARGUMENT;
    ArchiveItem item;
    std::uint32_t code = GetArchiveItem(handle, index, &item);
    if (code == ARC_OK) code = PositionReader(*handle, index);
    if (code != ARC_OK) return code;
    if (destinationName == nullptr || NamesDevice(destinationName)) return ARC_OPEN_FAILED;

    if ((item.attributes & plat::kAttrDirectory) == 0)
        return ExtractFileItem(*handle, item, destinationName);
    bool absolute = IsAbsoluteName(destinationName);
    if (!absolute && !handle->rootUsable) return ARC_OPEN_FAILED;
    EnsureDirectoryPath(absolute ? nullptr : handle->extractionRoot, destinationName);
    return ARC_OK;
}

}  // namespace installation
