#include "net/download.h"

#include <cstdio>
#include <cstring>

#include "net/leading_number.h"
#include "platform/http.h"
#include "platform/path_buffer.h"
#include "platform/scoped_handle.h"
#include "platform/system.h"

namespace net {
namespace {

constexpr std::size_t kTransferBuffer = 32768;

struct StdioFileTraits {
    using Handle = std::FILE*;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { std::fclose(h); }
};
using ScopedFile = plat::ScopedHandle<StdioFileTraits>;

// Directory (localPath, or the working directory when it is empty), a
// separator unless it already ends in one, then fileName. False when the
// directory cannot be read or the whole does not fit in kPathSize bytes.
bool BuildLocalPath(const char* directory, const char* fileName, char (&path)[plat::kPathSize]) {
    path[0] = '\0';
    if (std::memchr(directory, '\0', plat::kPathSize) == nullptr) return false;  // unterminated
    if (*directory) {
        plat::CopyBounded(path, sizeof path, directory);
    } else if (!plat::GetWorkingDirectory(path, sizeof path)) {
        return false;
    }
    std::size_t used = std::strlen(path);
    char last = used ? path[used - 1] : '\0';
    if (last != '\\' && last != '/') {
        const char separator[2] = {plat::kPathSeparator, '\0'};
        if (!plat::AppendBounded(path, sizeof path, separator)) return false;
    }
    return plat::AppendBounded(path, sizeof path, fileName);
}

bool StatusRefused(plat::HttpGet& http) {
    char status[512] = {};
    http.QueryStatusText(status, 511);  // unreadable: empty, counts as 0
    return ParseLeadingNumber(status) >= 400;
}

// Copies the body into file. Returns whether any byte was written; *complete
// says whether the body ended normally and every byte reached the file.
bool CopyBody(plat::HttpGet& http, std::FILE* file, bool* complete) {
    char buffer[kTransferBuffer];
    bool written = false;
    *complete = false;
    for (;;) {
        std::size_t got = 0;
        if (!http.Read(buffer, kTransferBuffer - 1, &got)) return written;
        if (got == 0) break;
        std::size_t put = std::fwrite(buffer, 1, got, file);
        written = written || put > 0;
        if (put != got) return written;  // disk full or similar: stop here
    }
    *complete = true;
    return written;
}

}  // namespace
}  // namespace net

bool DownloadToFile(const char* fileUrl, const char* fileName, char* localPath) {
    if (!fileName || !*fileName || !fileUrl || !localPath) return false;
    char path[plat::kPathSize];
    if (!net::BuildLocalPath(localPath, fileName, path)) return false;

    plat::HttpGet http;
    if (!http.Open(fileUrl)) return false;
    if (net::StatusRefused(http)) return false;

    net::ScopedFile file(std::fopen(path, "wb"));
    if (!file) return false;
    bool complete = false;
    bool written = net::CopyBody(http, file.get(), &complete);
    // A file that cannot be flushed or closed is not a complete copy either.
    bool flushed = std::fflush(file.get()) == 0;
    bool closed = std::fclose(file.release()) == 0;
    if (written && complete && flushed && closed)
        std::memcpy(localPath, path, std::strlen(path) + 1);
    return written;
}
