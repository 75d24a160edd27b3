#include "inspect/folder_fetch.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <new>

#include "net/folder_listing.h"
#include "platform/http.h"
#include "update/package_choice.h"

namespace inspect {
namespace {

const char* FailureName(plat::HttpFailure failure) {
    switch (failure) {
        case plat::HttpFailure::kNone:
            return "";
        case plat::HttpFailure::kBroken:
            return "connection broken or silent";
        case plat::HttpFailure::kStalled:
            return "stalled";
        default:
            return "over its time";
    }
}

// The reading of net's folder listing (chunk size, page limit, text up to
// each chunk's first zero byte), counting the bytes and telling how it ended.
void ReadPage(plat::HttpGet& http, std::string& body, FolderRequest& request) {
    char lengthText[16] = {};
    bool known = http.QueryContentLengthText(lengthText, sizeof lengthText);
    std::size_t chunk = net::ChunkSizeFor(known ? lengthText : nullptr);
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[chunk + 1]);
    if (!buffer) return;
    const std::size_t limit = net::kMaxPageBytes;
    std::size_t got = 0;
    while (request.bytes < limit) {
        bool read =
            http.Read(buffer.get(), std::min<std::size_t>(chunk, limit - request.bytes), &got);
        if (!read) request.readFailure = FailureName(http.Failure());
        if (!read || got == 0) return;
        request.bytes += got;
        buffer[got] = '\0';
        body.append(buffer.get());
    }
    request.cut = http.Read(buffer.get(), 1, &got) && got > 0;
}

}  // namespace

FolderRequest FetchFolder(const std::string& role, const std::string& folder,
                          const std::string& url, std::string* body) {
    FolderRequest request;
    request.role = role;
    request.folder = folder;
    request.url = url;
    body->clear();
    auto started = std::chrono::steady_clock::now();
    {
        plat::HttpGet http;
        if (http.Open(url.c_str())) {
            request.reached = true;
            char status[16] = {};
            if (http.QueryStatusText(status, sizeof status)) request.status = std::atoi(status);
            ReadPage(http, *body, request);
        }
    }
    request.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    net::AppendLinkTargets(*body, request.listing, ".");
    ForEachListingEntry(request.listing,
                        [&](const char* name) { request.names.emplace_back(name); });
    return request;
}

}  // namespace inspect
