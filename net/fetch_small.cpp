#include "net/fetch_small.h"

#include <cstdlib>

#include "net/leading_number.h"
#include "platform/http.h"

namespace net {
namespace {

// A Content-Length above the limit refuses the file before its body is read.
bool AnnouncedTooLarge(plat::HttpGet& http, std::size_t limit) {
    char length[32] = {};
    if (!http.QueryContentLengthText(length, sizeof length)) return false;
    char* end = nullptr;
    unsigned long long announced = std::strtoull(length, &end, 10);
    return end != length && announced > limit;
}

}  // namespace

SmallFile FetchSmallFile(const char* url, std::size_t limit) {
    SmallFile file;
    plat::HttpGet http;
    if (!url || !http.Open(url)) {
        file.failure = FetchFailure::kUnreachable;
        return file;
    }
    char status[512] = {};
    http.QueryStatusText(status, 511);
    file.status = static_cast<int>(ParseLeadingNumber(status));
    if (file.status >= 400) {
        file.failure = FetchFailure::kStatus;
        return file;
    }
    if (AnnouncedTooLarge(http, limit)) {
        file.failure = FetchFailure::kTooLarge;
        return file;
    }
    // One byte beyond the limit is asked for, so a longer body shows.
    std::string body(limit + 1, '\0');
    std::size_t used = 0;
    for (;;) {
        std::size_t got = 0;
        if (!http.Read(&body[used], body.size() - used, &got)) {
            file.failure = FetchFailure::kBroken;
            return file;
        }
        if (got == 0) break;
        used += got;
        if (used > limit) {
            file.failure = FetchFailure::kTooLarge;
            return file;
        }
    }
    body.resize(used);
    file.body.swap(body);
    return file;
}

std::string DescribeFetchFailure(const SmallFile& file, std::size_t limit) {
    switch (file.failure) {
        case FetchFailure::kNone:
            return std::string();
        case FetchFailure::kUnreachable:
            return "no connection";
        case FetchFailure::kStatus:
            return "status " + std::to_string(file.status);
        case FetchFailure::kTooLarge:
            return "over " + std::to_string(limit) + " bytes";
        case FetchFailure::kBroken:
            return "connection broken";
    }
    return std::string();
}

}  // namespace net
