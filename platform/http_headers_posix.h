// libcurl backend of HttpGet only: the extra request header lines (a
// resumed download's Range and If-Range) and the response headers kept for
// QueryHeaderText.
#pragma once

#include <curl/curl.h>

#include <cstddef>
#include <string>

#include "platform/http.h"
#include "platform/scoped_handle.h"

namespace plat {

using ScopedHeaderList = ScopedHandle<ClosedBy<curl_slist*, &curl_slist_free_all>>;

// Appends one list entry per "Name: value\r\n" line of extraHeaders (null:
// none). False when libcurl has no memory for one.
bool AppendHeaderLines(const char* extraHeaders, ScopedHeaderList* list);

// The headers HttpHeader names, of the response being received.
class ResponseHeaders {
public:
    enum class Line { kStatus, kLocation, kEnd, kOther };

    // Takes one header line as libcurl hands it over and says what it was.
    // A status line begins a new response (after a 1xx or a redirection)
    // and drops the headers kept before it.
    Line Take(const char* data, std::size_t len);

    // The value as QueryHeaderText hands it out; false when absent or it
    // does not fit in size bytes with its terminator.
    bool Query(HttpHeader header, char* buf, std::size_t size) const;

private:
    bool has_[kHttpHeaderCount] = {};
    std::string values_[kHttpHeaderCount];
};

}  // namespace plat
