#include "net/package_body.h"

#include <algorithm>
#include <atomic>

#include "platform/disk_space.h"

namespace net {
namespace {

// Free space is asked for again after this much has been written.
constexpr std::uint64_t kSpaceCheckBytes = 1024 * 1024;

std::atomic<std::uint64_t> g_maxPackage{0};
std::atomic<std::uint64_t> g_reserve{0};

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

}  // namespace

std::uint64_t MaxPackage() {
    std::uint64_t v = g_maxPackage.load();
    return v ? v : kMaxPackageBytes;
}
std::uint64_t Reserve() {
    std::uint64_t v = g_reserve.load();
    return v ? v : kDiskReserveBytes;
}

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

bool StoppedAtLimit(DownloadFailure failure) {
    return failure == DownloadFailure::kSizeLimit || failure == DownloadFailure::kNoSpace ||
           failure == DownloadFailure::kStalled || failure == DownloadFailure::kTimeLimit;
}

void SetDownloadLimitsForTesting(std::uint64_t maxPackageBytes, std::uint64_t reserveBytes) {
    g_maxPackage = maxPackageBytes;
    g_reserve = reserveBytes;
}

}  // namespace net
