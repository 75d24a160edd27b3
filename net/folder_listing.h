// The names linked from one installer folder page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/http.h"

// Fetches the page at folderUrl and appends to listing, in page order, the
// target of every link (<a href="name">text</a>, lower case, one per line)
// that contains at least one character of nameFilter and does not already
// occur anywhere in listing as a substring; each name is followed by one tab.
// Whatever listing held before stays in front and takes part in that test.
//
// An unreachable server, an error page without such links and an empty body
// add no names; a body cut off part-way is parsed as far as it arrived. The
// names do not depend on the HTTP status; FetchFolderNames
// (net/folder_result.h) also tells how the request went.
//
// A page is read up to net::kMaxPageBytes; one that goes on past it counts
// as cut there. The request is bounded as plat::HttpGet describes, with the
// total time of a page.
//
// A name of more than kMaxListedName characters is left out: the update run
// copies every listed name into a path buffer, where it would not fit.
void FetchFolderListing(const char* folderUrl, std::string& listing, const char* nameFilter);

namespace net {

constexpr std::size_t kMaxListedName = 259;
// Chunk size when the server announces no usable length.
constexpr std::size_t kDefaultChunk = 32768;
// The most of a page that is read. A page of 10,000 packages is about 1 MB,
// so 100,000 packages (about 5 MB) still fit. The duplicate test's index
// holds at most about 96 MiB whatever the page (see SubstringIndex), so a
// page's parse takes about that beside the page and the listing. Announced
// lengths above it are not trusted for one allocation; such a page is read
// in default-sized chunks like a page of unknown length.
constexpr std::size_t kMaxPageBytes = 8 * 1024 * 1024;

// One folder page as FetchFolderListing reads it.
struct FolderPage {
    bool reached = false;     // the request was answered
    int status = 0;           // the final status code, 0 when unknown
    std::uint64_t bytes = 0;  // body bytes received (zero bytes included)
    std::string body;         // the text: each chunk up to its first zero byte
    bool cut = false;         // the page went on past the page limit
    bool ended = true;        // false when the body broke off, stalled or timed out
    plat::HttpFailure failure = plat::HttpFailure::kNone;  // why it ended early
    plat::HttpError openError = plat::HttpError::kNone;    // why it was not answered
};

// Fetches and reads one page exactly as FetchFolderListing does, telling
// how the request went. Never throws: a page that does not fit in memory
// keeps what fitted. With measureCut, one more byte is asked for at the
// limit so that a page of exactly the limit is not reported as cut.
void FetchFolderPage(const char* folderUrl, FolderPage* page, bool measureCut = false);

// For tests: a smaller page limit; 0 restores kMaxPageBytes.
void SetPageLimitForTesting(std::size_t bytes);

// The read size for a page: the announced Content-Length when it is usable,
// kDefaultChunk otherwise (see plat::HttpGet::ContentLength).
std::size_t ChunkSizeFor(std::optional<std::int64_t> contentLength);

// The parsing half of FetchFolderListing, for a body already in memory.
void AppendLinkTargets(std::string_view body, std::string& listing, const char* nameFilter);

}  // namespace net
