#include "net/fetch_small.h"

#include <cstdint>
#include <optional>

#include "platform/http.h"

namespace net {

SmallFile FetchSmallFile(const char* url, std::size_t limit) {
    SmallFile file;
    const auto failed = [&file](FetchFailure failure) {
        file.failure = failure;
        return file;
    };
    plat::HttpGet http;
    if (!url || !http.Open(url)) return failed(FetchFailure::kUnreachable);
    file.status = http.Status().value_or(0);
    if (file.status >= 400) return failed(FetchFailure::kStatus);
    // A Content-Length above the limit refuses the file before its body is
    // read; so does a negative one, which no file has.
    const std::optional<std::int64_t> announced = http.ContentLength();
    if (announced && (*announced < 0 || static_cast<std::uint64_t>(*announced) > limit))
        return failed(FetchFailure::kTooLarge);
    // One byte beyond the limit is asked for, so a longer body shows.
    std::string body(limit + 1, '\0');
    std::size_t used = 0;
    for (std::size_t got = 1; got != 0; used += got) {
        if (!http.Read(&body[used], body.size() - used, &got)) return failed(FetchFailure::kBroken);
        if (used + got > limit) return failed(FetchFailure::kTooLarge);
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
