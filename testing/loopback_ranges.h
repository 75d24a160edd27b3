// Range requests answered as the installer server's static files answer
// them, for LoopbackServer replies that carry an ETag:
//   - every 200 answer sends ETag, Last-Modified and "Accept-Ranges: bytes";
//   - "Range: bytes=N-" without If-Range, or with an If-Range equal to the
//     ETag or exactly to Last-Modified: 206 with "Content-Range:
//     bytes N-<T-1>/<T>" and the body from byte N;
//   - the same with a stale If-Range: 200 with the whole body;
//   - N at or past the end: 416 with "Content-Range: bytes */<T>" and a
//     short HTML page.
// Other range forms and replies without an ETag are answered whole.
#pragma once

#include <filesystem>
#include <string>

#include "testing/loopback_server.h"

namespace testing_support {

// The value of the request header name (any case), trimmed; empty when absent.
std::string HeaderValue(const std::string& head, const std::string& name);

// reply as it answers the request whose head is given.
Reply AnswerRange(Reply reply, const std::string& requestHead);

// An ETag "<mtime hex>-<size hex>" and a Last-Modified date made from file's
// time and size, so both change when the file is rewritten.
void SetFileValidators(const std::filesystem::path& file, Reply* reply);

}  // namespace testing_support
