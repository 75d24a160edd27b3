// One HTTP GET against the installer server, pulled by the caller.
//
// Both backends behave alike:
//   - user agent "VeltAgent", the system's proxy settings, redirections
//     followed, nothing read from or written to a cache;
//   - Open() returns once the final response's status line and headers have
//     arrived, so the status and headers can be asked for before the body
//     is read;
//   - Read() fills the caller's buffer up to the size asked for, returning
//     fewer bytes only at the end of the body; a read that returns 0 bytes
//     and true means the body is complete;
//   - a body that ends before its announced Content-Length fails its last
//     read, as a broken connection does (WinINet by itself would report such
//     a body as complete);
//   - default time-outs: 60 s to connect, 30 s without a byte received
//     (platform/http_limits.h chooses others);
//   - every request also ends when it makes too little progress or runs past
//     its total time or the run's deadline (platform/http_limits.h); the
//     failed call then returns false and Failure() tells which limit hit.
//
// Windows reads only as many bytes as InternetQueryDataAvailable reports, so
// that the program's own clock is looked at between small reads even when a
// server drips its body (WinINet's time-outs do not bound that, and Wine
// honours none of them), and a watchdog thread closes the request's handles
// when a limit passes while a call blocks. Wine does not wake a call blocked
// on a server that never answers when the handles are closed; real Windows
// ends it with its receive time-out.
//
// Windows uses WinINet (InternetOpenA with INTERNET_OPEN_TYPE_PRECONFIG,
// InternetOpenUrlA with INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE,
// HttpQueryInfoA as text, InternetReadFile); no option is set on its handles
// unless time-outs were chosen (platform/http_limits.h). POSIX uses libcurl:
// it honours the proxy environment variables (http_proxy, https_proxy,
// all_proxy, no_proxy) and applies the same time-outs itself.
//
// Every handle is owned by the object and closed (request first, then the
// root) when it goes away, on every path.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "platform/http_error.h"
#include "platform/http_limits.h"

namespace plat {

// Response headers that can be asked for as text.
enum class HttpHeader { kContentLength, kETag, kLastModified, kContentRange };
constexpr int kHttpHeaderCount = 4;

class HttpGet {
public:
    HttpGet();  // neither copied nor moved
    ~HttpGet();

    // Opens the session and sends the request. False when the session cannot
    // be opened or the URL cannot be reached (bad URL, name not resolved,
    // refused, no answer in time); a response of any status is success.
    // Call once per object. totalTime bounds the whole request, Open to the
    // last Read. extraHeaders: request header lines, each "Name: value\r\n"
    // (a resumed download's Range and If-Range); null or empty for none.
    bool Open(const char* url, std::chrono::milliseconds totalTime = kPageTotalTime,
              const char* extraHeaders = nullptr);

    // The final response's status code; nullopt when it is not known.
    std::optional<int> Status();

    // The Content-Length header's value read as atol reads it (leading
    // blanks, an optional sign, the digits up to the first other character;
    // no digits give 0), saturating at the limits instead of overflowing.
    // Nullopt when there is no such header or its value runs to more than 31
    // characters. Negative and unparsable values are left for the caller to
    // judge.
    std::optional<std::int64_t> ContentLength();

    // A header's value as the server wrote it. False, buf untouched, when
    // there is no such header or it does not fit in size bytes with its
    // terminator.
    bool QueryHeaderText(HttpHeader header, char* buf, std::size_t size);

    // Reads up to size bytes of the body into buf; *got is the count. False
    // when the connection failed or timed out with nothing read in this call.
    bool Read(void* buf, std::size_t size, std::size_t* got);

    // Why the last failed Open or Read failed; kNone after success.
    HttpFailure Failure() const { return failure_; }

    // The class of the last failed Open (kNone after a successful one): the
    // refusal, name, time-out, certificate or proxy failure behind it. A
    // failed Open that passed a limit of platform/http_limits.h, or waited
    // out a time-out, is kTimedOut.
    HttpError OpenError() const { return openError_; }

    struct Impl;

private:
    // The backend's part of Open: true with impl_ set once the final
    // response's headers have arrived; else failure_ and openError_ say why.
    bool Start(const char* url, const HttpLimits& limits, const char* extraHeaders);
    // The final status code as text ("200"); false when not known or it
    // does not fit.
    bool QueryStatusText(char* buf, std::size_t size);

    std::unique_ptr<Impl> impl_;
    HttpFailure failure_ = HttpFailure::kNone;
    HttpError openError_ = HttpError::kNone;
};

}  // namespace plat
