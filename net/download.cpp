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

int StatusCode(plat::HttpGet& http) {
    char status[512] = {};
    http.QueryStatusText(status, 511);  // unreadable: empty, counts as 0
    long long code = ParseLeadingNumber(status);
    return code < 0 || code > 999 ? 999 : static_cast<int>(code);
}

std::int64_t AnnouncedLength(plat::HttpGet& http) {
    char text[32] = {};
    if (!http.QueryContentLengthText(text, sizeof text)) return -1;
    long long length = ParseLeadingNumber(text);
    return length < 0 ? -1 : length;
}

// Copies the body into file and fills in received, written and failure.
void CopyBody(plat::HttpGet& http, std::FILE* file, const DataObserver& observer,
              DownloadResult* result) {
    char buffer[kTransferBuffer];
    for (;;) {
        std::size_t got = 0;
        if (!http.Read(buffer, kTransferBuffer - 1, &got)) {
            result->failure = DownloadFailure::kBroken;
            return;
        }
        if (got == 0) break;
        result->received += got;
        std::size_t put = std::fwrite(buffer, 1, got, file);
        result->written = result->written || put > 0;
        if (put != got) {  // disk full or similar: stop here
            result->failure = DownloadFailure::kWriteError;
            return;
        }
        if (observer) observer(buffer, got);
    }
    if (result->received == 0) result->failure = DownloadFailure::kEmptyBody;
}

}  // namespace
}  // namespace net

bool DownloadToFile(const char* fileUrl, const char* fileName, char* localPath) {
    return net::DownloadPackage(fileUrl, fileName, localPath).written;
}

namespace net {

DownloadResult DownloadPackage(const char* fileUrl, const char* fileName, char* localPath,
                               const DataObserver& observer) {
    DownloadResult result;
    result.failure = DownloadFailure::kBadArguments;
    if (!fileName || !*fileName || !fileUrl || !localPath) return result;
    char path[plat::kPathSize];
    if (!BuildLocalPath(localPath, fileName, path)) return result;

    plat::HttpGet http;
    result.failure = DownloadFailure::kUnreachable;
    if (!http.Open(fileUrl)) return result;
    result.status = StatusCode(http);
    result.announced = AnnouncedLength(http);
    result.failure = DownloadFailure::kStatus;
    if (result.status >= 400) return result;

    ScopedFile file(std::fopen(path, "wb"));
    result.failure = DownloadFailure::kCreateFile;
    if (!file) return result;
    result.failure = DownloadFailure::kNone;
    CopyBody(http, file.get(), observer, &result);
    // A file that cannot be flushed or closed is not a complete copy either.
    bool flushed = std::fflush(file.get()) == 0;
    bool closed = std::fclose(file.release()) == 0;
    if (result.failure == DownloadFailure::kNone && !(flushed && closed))
        result.failure = DownloadFailure::kWriteError;
    result.complete = result.failure == DownloadFailure::kNone;
    if (result.complete) std::memcpy(localPath, path, std::strlen(path) + 1);
    return result;
}

std::string DescribeFailure(const DownloadResult& r) {
    std::string received = std::to_string(r.received);
    if (r.announced >= 0) received += " of " + std::to_string(r.announced);
    switch (r.failure) {
        case DownloadFailure::kNone:
            return "";
        case DownloadFailure::kBadArguments:
            return "no usable local path";
        case DownloadFailure::kUnreachable:
            return "server not reached";
        case DownloadFailure::kStatus:
            return "status " + std::to_string(r.status);
        case DownloadFailure::kCreateFile:
            return "local file not created";
        case DownloadFailure::kEmptyBody:
            return "empty body";
        case DownloadFailure::kBroken:
            return "received " + received + " bytes";
        case DownloadFailure::kWriteError:
            return "write error after " + received + " bytes";
    }
    return "";
}

}  // namespace net
