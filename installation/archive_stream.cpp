#include "installation/archive_stream.h"

#include <cstring>

namespace installation {

namespace {

ArchiveStream* AsStream(voidpf stream) { return static_cast<ArchiveStream*>(stream); }

voidpf ZCALLBACK OpenStream(voidpf opaque, const void*, int mode) {
    if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ) return nullptr;
    return *static_cast<ArchiveStream**>(opaque);
}

// Reads at the reader's position straight from the file.
std::uint64_t ReadFromFile(ArchiveStream& stream, void* buffer, std::uint64_t size) {
    char* out = static_cast<char*>(buffer);
    std::uint64_t done = 0;
    while (done < size) {
        std::int64_t n = stream.file.ReadAt(stream.position + done, out + done,
                                            static_cast<std::size_t>(size - done));
        if (n < 0) stream.failed = true;
        if (n <= 0) break;
        done += static_cast<std::uint64_t>(n);
    }
    return done;
}

// Copies what the window holds at the reader's position; 0 when it holds nothing there.
std::uint64_t ReadFromWindow(ArchiveStream& stream, char* out, std::uint64_t size) {
    if (stream.position < stream.windowStart ||
        stream.position >= stream.windowStart + stream.windowLength)
        return 0;
    std::uint64_t offset = stream.position - stream.windowStart;
    std::uint64_t n = stream.windowLength - offset;
    if (n > size) n = size;
    std::memcpy(out, stream.window + offset, static_cast<std::size_t>(n));
    return n;
}

uLong ZCALLBACK ReadStream(voidpf, voidpf handle, void* buffer, uLong size) {
    ArchiveStream& stream = *AsStream(handle);
    char* out = static_cast<char*>(buffer);
    std::uint64_t done = 0;
    while (done < size) {
        std::uint64_t n = ReadFromWindow(stream, out + done, size - done);
        if (n == 0 && size - done >= kStreamWindowSize) {
            n = ReadFromFile(stream, out + done, size - done);
        } else if (n == 0) {
            stream.windowStart = stream.position;
            stream.windowLength =
                static_cast<std::uint32_t>(ReadFromFile(stream, stream.window, kStreamWindowSize));
            n = ReadFromWindow(stream, out + done, size - done);
        }
        if (n == 0) break;
        done += n;
        stream.position += n;
    }
    return static_cast<uLong>(done);
}

uLong ZCALLBACK WriteStream(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK TellStream(voidpf, voidpf handle) { return AsStream(handle)->position; }

// Only moves the reader's position: reads say where they read.
long ZCALLBACK SeekStream(voidpf, voidpf handle, ZPOS64_T offset, int origin) {
    ArchiveStream& stream = *AsStream(handle);
    std::uint64_t base = 0;
    if (origin == ZLIB_FILEFUNC_SEEK_CUR) {
        base = stream.position;
    } else if (origin == ZLIB_FILEFUNC_SEEK_END) {
        if (!stream.file.Size(&base)) return -1;
    } else if (origin != ZLIB_FILEFUNC_SEEK_SET) {
        return -1;
    }
    // Positions past 2^63 are no positions in any file.
    if (offset > static_cast<ZPOS64_T>(INT64_MAX) - base) return -1;
    stream.position = base + offset;
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
    // In the order of the structure's members.
    *functions = zlib_filefunc64_def{OpenStream, ReadStream,  WriteStream, TellStream,
                                     SeekStream, CloseStream, StreamError, owner};
}

bool ReadStreamAt(ArchiveStream& stream, std::uint64_t offset, void* buffer, std::uint32_t size) {
    if (SeekStream(nullptr, &stream, offset, ZLIB_FILEFUNC_SEEK_SET) != 0) return false;
    return ReadStream(nullptr, &stream, buffer, size) == size;
}

}  // namespace installation
