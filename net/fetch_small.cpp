#include "net/fetch_small.h"

#include <cstdint>
#include <optional>

#include "platform/http.h"

namespace net {
namespace {

// A Content-Length above the limit refuses the file before its body is
// read; so does a negative one, which no file has.
bool AnnouncedTooLarge(plat::HttpGet& http, std::size_t limit) {
    std::optional<std::int64_t> announced = http.ContentLength();
    return announced && (*announced < 0 || static_cast<std::uint64_t>(*announced) > limit);
}

}  // namespace

SmallFile FetchSmallFile(const char* url, std::size_t limit) {
    SmallFile file;
    plat::HttpGet http;
    if (!url || !http.Open(url)) {
        file.failure = FetchFailure::kUnreachable;
        return file;
    }
    file.status = http.Status().value_or(0);
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
