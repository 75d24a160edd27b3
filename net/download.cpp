#include "net/download.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <utility>

#include "net/leading_number.h"
#include "platform/disk_space.h"
#include "platform/file_handle.h"
#include "platform/file_system.h"
#include "platform/http.h"
#include "platform/path_buffer.h"
#include "platform/system.h"

namespace net {
namespace {

constexpr std::size_t kTransferBuffer = 32768;
// Free space is asked for again after this much has been written.
constexpr std::uint64_t kSpaceCheckBytes = 1024 * 1024;

std::atomic<std::uint64_t> g_maxPackage{0};
std::atomic<std::uint64_t> g_reserve{0};

std::uint64_t MaxPackage() {
    std::uint64_t v = g_maxPackage.load();
    return v ? v : kMaxPackageBytes;
}
std::uint64_t Reserve() {
    std::uint64_t v = g_reserve.load();
    return v ? v : kDiskReserveBytes;
}

// Directory (localPath, or the working directory when it is empty), a
// separator unless it already ends in one, then fileName. False when the
// directory cannot be read or the whole does not fit in kPathSize bytes.
// directory receives the directory part, separator included.
bool BuildLocalPath(const char* localPath, const char* fileName, char (&directory)[plat::kPathSize],
                    char (&path)[plat::kPathSize]) {
    directory[0] = '\0';
    if (std::memchr(localPath, '\0', plat::kPathSize) == nullptr) return false;  // unterminated
    if (*localPath) {
        plat::CopyBounded(directory, sizeof directory, localPath);
    } else if (!plat::GetWorkingDirectory(directory, sizeof directory)) {
        return false;
    }
    std::size_t used = std::strlen(directory);
    char last = used ? directory[used - 1] : '\0';
    if (last != '\\' && last != '/') {
        const char separator[2] = {plat::kPathSeparator, '\0'};
        if (!plat::AppendBounded(directory, sizeof directory, separator)) return false;
    }
    return plat::CopyBounded(path, sizeof path, directory) &&
           plat::AppendBounded(path, sizeof path, fileName);
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

DownloadFailure FromHttp(plat::HttpFailure failure) {
    switch (failure) {
        case plat::HttpFailure::kStalled:
            return DownloadFailure::kStalled;
        case plat::HttpFailure::kTimeLimit:
            return DownloadFailure::kTimeLimit;
        default:
            return DownloadFailure::kBroken;
    }
}

// How much more may be written before the volume's free space falls to the
// reserve; asked for again every kSpaceCheckBytes.
class DiskBudget {
public:
    explicit DiskBudget(const char* directory) : directory_(directory) {}

    // False when n bytes more would break into the reserve.
    bool Allows(std::uint64_t n, DownloadResult* result) {
        if (n > allowance_) Refresh(result);
        if (n > allowance_) return false;
        allowance_ -= n;
        return true;
    }

private:
    void Refresh(DownloadResult* result) {
        std::uint64_t free = 0;
        // A volume that cannot be asked about is not held back.
        if (!plat::FreeDiskSpace(directory_, &free)) free = ~std::uint64_t{0};
        result->freeBytes = free;
        allowance_ = free > Reserve() ? std::min(free - Reserve(), kSpaceCheckBytes) : 0;
    }

    const char* directory_;
    std::uint64_t allowance_ = 0;
};

// Refuses, before any file exists, an announced length that breaks a limit.
bool AnnouncedLengthFits(const char* directory, DownloadResult* result) {
    if (result->announced < 0) return true;
    std::uint64_t announced = static_cast<std::uint64_t>(result->announced);
    if (announced > MaxPackage()) {
        result->failure = DownloadFailure::kSizeLimit;
        return false;
    }
    std::uint64_t free = 0;
    if (!plat::FreeDiskSpace(directory, &free) || announced + Reserve() <= free) return true;
    result->freeBytes = free;
    result->failure = DownloadFailure::kNoSpace;
    return false;
}

// Copies the body into file and fills in received, written and failure.
void CopyBody(plat::HttpGet& http, plat::File& file, const char* directory,
              const DataObserver& observer, DownloadResult* result) {
    const std::uint64_t cap =
        result->announced >= 0 ? static_cast<std::uint64_t>(result->announced) : MaxPackage();
    DiskBudget budget(directory);
    char buffer[kTransferBuffer];
    for (;;) {
        std::size_t got = 0;
        if (!http.Read(buffer, kTransferBuffer - 1, &got)) {
            result->failure = FromHttp(http.Failure());
            return;
        }
        if (got == 0) break;
        if (got > cap - result->received) {
            result->failure = DownloadFailure::kSizeLimit;
            return;
        }
        result->received += got;
        if (!budget.Allows(got, result)) {
            result->failure = DownloadFailure::kNoSpace;
            return;
        }
        bool put = file.Write(buffer, got);
        result->written = true;  // a failed write may still have put bytes in the file
        if (!put) {              // disk full or similar: stop here
            result->failure = DownloadFailure::kWriteError;
            return;
        }
        if (observer) observer(buffer, got);
    }
    if (result->received == 0) result->failure = DownloadFailure::kEmptyBody;
}

bool StoppedAtLimit(DownloadFailure failure) {
    return failure == DownloadFailure::kSizeLimit || failure == DownloadFailure::kNoSpace ||
           failure == DownloadFailure::kStalled || failure == DownloadFailure::kTimeLimit;
}

}  // namespace

void SetDownloadLimitsForTesting(std::uint64_t maxPackageBytes, std::uint64_t reserveBytes) {
    g_maxPackage = maxPackageBytes;
    g_reserve = reserveBytes;
}

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
    char directory[plat::kPathSize];
    char path[plat::kPathSize];
    if (!BuildLocalPath(localPath, fileName, directory, path)) return result;

    plat::HttpGet http;
    if (!http.Open(fileUrl, plat::kPackageTotalTime)) {
        plat::HttpFailure why = http.Failure();
        result.failure = why == plat::HttpFailure::kStalled || why == plat::HttpFailure::kTimeLimit
                             ? FromHttp(why)
                             : DownloadFailure::kUnreachable;
        return result;
    }
    result.status = StatusCode(http);
    result.announced = AnnouncedLength(http);
    result.failure = DownloadFailure::kStatus;
    if (result.status >= 400) return result;
    if (!AnnouncedLengthFits(directory, &result)) return result;

    plat::File file = plat::File::CreatePackage(path);
    result.failure = DownloadFailure::kCreateFile;
    if (!file.valid()) return result;
    result.failure = DownloadFailure::kNone;
    CopyBody(http, file, directory, observer, &result);
    result.complete = result.failure == DownloadFailure::kNone;
    if (result.complete) {
        std::memcpy(localPath, path, std::strlen(path) + 1);
        result.file = std::move(file);
        return result;
    }
    file.Close();
    if (StoppedAtLimit(result.failure)) result.removed = plat::RemoveFile(path);
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
        case DownloadFailure::kSizeLimit:
            if (r.received == 0 && r.announced >= 0)
                return "size limit: " + std::to_string(r.announced) + " bytes announced";
            return "size limit after " + received + " bytes";
        case DownloadFailure::kNoSpace:
            return "no space: " + std::to_string(r.freeBytes) + " bytes free after " + received +
                   " bytes";
        case DownloadFailure::kStalled:
            return "stalled after " + received + " bytes";
        case DownloadFailure::kTimeLimit:
            return "time limit after " + received + " bytes";
    }
    return "";
}

}  // namespace net
