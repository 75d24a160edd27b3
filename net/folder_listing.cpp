#include "net/folder_listing.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <new>

#include "net/folder_result.h"
#include "textsearch/link_matcher.h"
#include "textsearch/substring_index.h"
#include "platform/http.h"

namespace net {
namespace {

std::atomic<std::size_t> g_pageLimit{0};  // 0: kMaxPageBytes

// Reads the body as text, up to the page limit. Each chunk counts only up to
// its first zero byte. Stops at the end, at a failed read, at the limit, or
// when memory runs out; what was read by then is kept.
void ReadBody(plat::HttpGet& http, FolderPage* page, bool measureCut) {
    std::size_t chunk = ChunkSizeFor(http.ContentLength());
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[chunk + 1]);
    if (!buffer) {
        chunk = kDefaultChunk;
        buffer.reset(new (std::nothrow) char[chunk + 1]);
        if (!buffer) return;
    }
    std::size_t limit = g_pageLimit.load();
    if (limit == 0) limit = kMaxPageBytes;
    std::size_t got = 0;
    while (page->bytes < limit) {
        std::size_t room = limit - static_cast<std::size_t>(page->bytes);
        bool read = http.Read(buffer.get(), std::min(chunk, room), &got);
        if (!read) {
            page->ended = false;
            page->failure = http.Failure();
        }
        if (!read || got == 0) return;
        page->bytes += got;
        buffer[got] = '\0';
        page->body.append(buffer.get());
    }
    page->cut = !measureCut || (http.Read(buffer.get(), 1, &got) && got > 0);
}

}  // namespace

void SetPageLimitForTesting(std::size_t bytes) { g_pageLimit = bytes; }

std::size_t ChunkSizeFor(std::optional<std::int64_t> contentLength) {
    if (!contentLength || *contentLength <= 0 ||
        static_cast<std::uint64_t>(*contentLength) > kMaxPageBytes)
        return kDefaultChunk;
    return static_cast<std::size_t>(*contentLength);
}

void AppendLinkTargets(std::string_view body, std::string& listing, const char* nameFilter) {
    if (!nameFilter || !*nameFilter) return;    // no name can contain a character of it
    const std::string_view filter(nameFilter);  // measured once, not per name
    textsearch::SubstringIndex seen(listing);
    textsearch::LinkMatcher matcher(body);
    std::string_view name;
    while (matcher.Next(&name)) {
        if (name.find_first_of(filter) == std::string_view::npos) continue;
        if (name.size() > kMaxListedName) continue;
        if (seen.Contains(name)) continue;
        listing.reserve(listing.size() + name.size() + 1);  // name and tab, or neither
        listing.append(name);
        listing.push_back('\t');
    }
}

void FetchFolderPage(const char* folderUrl, FolderPage* page, bool measureCut) {
    plat::HttpGet http;  // closed before parsing, as soon as the page is in
    if (!folderUrl) return;
    if (!http.Open(folderUrl)) {
        page->openError = http.OpenError();
        return;
    }
    page->reached = true;
    page->status = http.Status().value_or(0);
    try {
        ReadBody(http, page, measureCut);
    } catch (const std::bad_alloc&) {
        // A page too large for memory: parse what fitted.
    }
}

}  // namespace net

void FetchFolderListing(const char* folderUrl, std::string& listing, const char* nameFilter) {
    net::FetchFolderNames(folderUrl, listing, nameFilter);
}
