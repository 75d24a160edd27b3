// The names linked from one installer folder page.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Fetches the page at folderUrl and appends to listing, in page order, the
// target of every link (<a href="name">text</a>, lower case, one per line)
// that contains at least one character of nameFilter and does not already
// occur anywhere in listing as a substring; each name is followed by one tab.
// Whatever listing held before stays in front and takes part in that test.
//
// Nothing is reported: an unreachable server, an error page without such
// links and an empty body add no names; a body cut off part-way is parsed as
// far as it arrived. The HTTP status is not looked at.
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
// so 100,000 packages still fit, and the body, its read buffer and the
// parse's tables stay within a few times this.
constexpr std::size_t kMaxPageBytes = 16 * 1024 * 1024;
// Announced lengths above this are not trusted for one allocation; such a
// page is read in default-sized chunks like a page of unknown length.
constexpr std::size_t kMaxTrustedLength = kMaxPageBytes;

// For tests: a smaller page limit; 0 restores kMaxPageBytes.
void SetPageLimitForTesting(std::size_t bytes);

// The read size for a page: the announced Content-Length when it is usable,
// kDefaultChunk otherwise. contentLength is the header's text, or null when
// the header is missing or could not be read.
std::size_t ChunkSizeFor(const char* contentLength);

// The parsing half of FetchFolderListing, for a body already in memory.
void AppendLinkTargets(std::string_view body, std::string& listing, const char* nameFilter);

}  // namespace net
