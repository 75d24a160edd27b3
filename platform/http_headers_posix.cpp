#include "platform/http_headers_posix.h"

#include <algorithm>
#include <cstring>

namespace plat {
namespace {

// prefix is lower case.
bool StartsWithNoCase(const char* text, std::size_t len, const char* prefix) {
    std::size_t n = std::strlen(prefix);
    return len >= n && std::equal(prefix, prefix + n, text, [](char p, char c) {
               return p == (c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
           });
}

// The response headers that HttpHeader names, in its order.
constexpr const char* kHeaderPrefixes[kHttpHeaderCount] = {
    "content-length:", "etag:", "last-modified:", "content-range:"};

std::string Trimmed(const char* text, std::size_t len) {
    std::size_t b = 0, e = len;
    while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t' || text[e - 1] == '\r' ||
                     text[e - 1] == '\n'))
        --e;
    return std::string(text + b, e - b);
}

}  // namespace

bool AppendHeaderLines(const char* extraHeaders, ScopedHeaderList* list) {
    for (const char* p = extraHeaders; p && *p;) {
        const char* end = std::strstr(p, "\r\n");
        std::string line = end ? std::string(p, end) : std::string(p);
        p = end ? end + 2 : p + line.size();
        if (line.empty()) continue;
        curl_slist* grown = curl_slist_append(list->get(), line.c_str());
        if (!grown) return false;
        list->release();
        list->reset(grown);
    }
    return true;
}

ResponseHeaders::Line ResponseHeaders::Take(const char* data, std::size_t len) {
    if (StartsWithNoCase(data, len, "http/")) {
        *this = ResponseHeaders();
        return Line::kStatus;
    }
    if (StartsWithNoCase(data, len, "location:")) return Line::kLocation;
    if (Trimmed(data, len).empty()) return Line::kEnd;
    for (int i = 0; i < kHttpHeaderCount; ++i) {
        std::size_t n = std::strlen(kHeaderPrefixes[i]);
        if (!StartsWithNoCase(data, len, kHeaderPrefixes[i])) continue;
        has_[i] = true;
        values_[i] = Trimmed(data + n, len - n);
    }
    return Line::kOther;
}

bool ResponseHeaders::Query(HttpHeader header, char* buf, std::size_t size) const {
    int i = static_cast<int>(header);
    if (!has_[i] || values_[i].size() + 1 > size) return false;
    std::memcpy(buf, values_[i].c_str(), values_[i].size() + 1);
    return true;
}

}  // namespace plat
