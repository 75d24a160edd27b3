// Fetches a small file (a signature, a note) from the installer server into
// memory, reading at most a caller's limit: a larger body is refused rather
// than read to its end.
#pragma once

#include <cstddef>
#include <string>

namespace net {

enum class FetchFailure {
    kNone,         // body holds the whole file
    kUnreachable,  // the URL could not be opened
    kStatus,       // the server answered 400 or more
    kTooLarge,     // announced or delivered more than the limit
    kBroken,       // the connection broke or timed out part-way
};

struct SmallFile {
    FetchFailure failure = FetchFailure::kNone;
    int status = 0;    // the final status code, 0 when unknown
    std::string body;  // the file on success; empty otherwise
};

// GET url, as DownloadToFile does (same user agent, no cache, redirections
// followed); an empty body is a success with an empty file.
SmallFile FetchSmallFile(const char* url, std::size_t limit);

// "status 404", "over 4096 bytes", "no connection", "connection broken";
// empty on success.
std::string DescribeFetchFailure(const SmallFile& file, std::size_t limit);

}  // namespace net
