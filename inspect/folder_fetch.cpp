#include "inspect/folder_fetch.h"

#include <chrono>
#include <cstdlib>
#include <memory>
#include <new>

#include "net/folder_listing.h"
#include "platform/http.h"
#include "update/package_choice.h"

namespace inspect {
namespace {

// The reading of net's folder listing, counting the bytes as they arrive.
void ReadPage(plat::HttpGet& http, std::string& body, std::uint64_t& bytes) {
    char lengthText[16] = {};
    bool known = http.QueryContentLengthText(lengthText, sizeof lengthText);
    std::size_t chunk = net::ChunkSizeFor(known ? lengthText : nullptr);
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[chunk + 1]);
    if (!buffer) return;
    for (;;) {
        std::size_t got = 0;
        if (!http.Read(buffer.get(), chunk, &got) || got == 0) return;
        bytes += got;
        buffer[got] = '\0';
        body.append(buffer.get());
    }
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
            ReadPage(http, *body, request.bytes);
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
