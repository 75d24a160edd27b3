#include "installation/archive_stream.h"

#include <new>

namespace {

ArchiveStream* AsStream(voidpf stream) { return static_cast<ArchiveStream*>(stream); }

voidpf ZCALLBACK OpenStream(voidpf opaque, const void* path, int mode) {
    if (path == nullptr || (mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ)
        return nullptr;
    plat::File file = plat::File::OpenForRead(static_cast<const char*>(path));
    if (!file.valid()) return nullptr;
    ArchiveStream* stream = new (std::nothrow) ArchiveStream;
    if (stream == nullptr) return nullptr;
    stream->file = std::move(file);
    *static_cast<ArchiveStream**>(opaque) = stream;
    return stream;
}

uLong ZCALLBACK ReadStream(voidpf, voidpf handle, void* buffer, uLong size) {
    ArchiveStream* stream = AsStream(handle);
    char* out = static_cast<char*>(buffer);
    uLong done = 0;
    while (done < size) {
        std::int64_t n = stream->file.Read(out + done, size - done);
        if (n < 0) stream->failed = true;
        if (n <= 0) break;
        done += static_cast<uLong>(n);
    }
    stream->position += done;
    return done;
}

uLong ZCALLBACK WriteStream(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK TellStream(voidpf, voidpf handle) { return AsStream(handle)->position; }

long ZCALLBACK SeekStream(voidpf, voidpf handle, ZPOS64_T offset, int origin) {
    ArchiveStream* stream = AsStream(handle);
    if (origin == ZLIB_FILEFUNC_SEEK_SET && offset == stream->position) return 0;
    plat::SeekOrigin from = origin == ZLIB_FILEFUNC_SEEK_SET   ? plat::SeekOrigin::kBegin
                            : origin == ZLIB_FILEFUNC_SEEK_CUR ? plat::SeekOrigin::kCurrent
                                                               : plat::SeekOrigin::kEnd;
    if (origin != ZLIB_FILEFUNC_SEEK_SET && origin != ZLIB_FILEFUNC_SEEK_CUR &&
        origin != ZLIB_FILEFUNC_SEEK_END)
        return -1;
    // Offsets past 2^63 are no positions in any file.
    if (offset > static_cast<ZPOS64_T>(INT64_MAX)) return -1;
    std::uint64_t now = 0;
    if (!stream->file.Seek(static_cast<std::int64_t>(offset), from, &now)) return -1;
    stream->position = now;
    return 0;
}

int ZCALLBACK CloseStream(voidpf opaque, voidpf handle) {
    delete AsStream(handle);
    *static_cast<ArchiveStream**>(opaque) = nullptr;
    return 0;
}

int ZCALLBACK StreamError(voidpf, voidpf handle) { return AsStream(handle)->failed ? 1 : 0; }

}  // namespace

void FillArchiveFileFunctions(zlib_filefunc64_def* functions, ArchiveStream** owner) {
    functions->zopen64_file = OpenStream;
    functions->zread_file = ReadStream;
    functions->zwrite_file = WriteStream;
    functions->ztell64_file = TellStream;
    functions->zseek64_file = SeekStream;
    functions->zclose_file = CloseStream;
    functions->zerror_file = StreamError;
    functions->opaque = owner;
}

bool ReadStreamAt(ArchiveStream& stream, std::uint64_t offset, void* buffer, std::uint32_t size) {
    if (SeekStream(nullptr, &stream, offset, ZLIB_FILEFUNC_SEEK_SET) != 0) return false;
    return ReadStream(nullptr, &stream, buffer, size) == size;
}
