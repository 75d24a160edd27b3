#include "testing/loopback_ranges.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <sstream>
#include <system_error>

namespace testing_support {
namespace {

constexpr char kOutOfRangePage[] =
    "<html>\r\n<head><title>416 Requested Range Not Satisfiable</title></head>\r\n<body>\r\n"
    "<center><h1>416 Requested Range Not Satisfiable</h1></center>\r\n<hr><center>local"
    "</center>\r\n</body>\r\n</html>\r\n";

// N of "bytes=N-"; false for any other form.
bool OpenRangeStart(const std::string& range, std::uint64_t* start) {
    const std::string prefix = "bytes=";
    if (range.compare(0, prefix.size(), prefix) != 0 || range.back() != '-') return false;
    std::string digits = range.substr(prefix.size(), range.size() - prefix.size() - 1);
    if (digits.empty() || digits.size() > 18 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    *start = std::stoull(digits);
    return true;
}

}  // namespace

std::string HeaderValue(const std::string& head, const std::string& name) {
    std::istringstream lines(head);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.size() <= name.size() || line[name.size()] != ':') continue;
        bool same = std::equal(name.begin(), name.end(), line.begin(), [](char a, char b) {
            return std::tolower((unsigned char)a) == std::tolower((unsigned char)b);
        });
        if (!same) continue;
        std::string value = line.substr(name.size() + 1);
        value.erase(0, value.find_first_not_of(' '));
        while (!value.empty() && (value.back() == '\r' || value.back() == ' ')) value.pop_back();
        return value;
    }
    return std::string();
}

Reply AnswerRange(Reply reply, const std::string& requestHead) {
    if (reply.etag.empty() || reply.status != 200) return reply;
    reply.headers.push_back("ETag: " + reply.etag);
    reply.headers.push_back("Last-Modified: " + reply.lastModified);
    reply.headers.push_back("Accept-Ranges: bytes");
    std::uint64_t start = 0;
    if (!OpenRangeStart(HeaderValue(requestHead, "Range"), &start)) return reply;
    std::string ifRange = HeaderValue(requestHead, "If-Range");
    if (!ifRange.empty() && ifRange != reply.etag && ifRange != reply.lastModified) return reply;
    const std::uint64_t total = reply.generatedSize ? reply.generatedSize : reply.body.size();
    if (start >= total) {
        Reply refused = Reply::Page(kOutOfRangePage, 416);
        refused.headers.push_back("Content-Range: bytes */" + std::to_string(total));
        return refused;
    }
    reply.offset = start - std::min(start, reply.rangeStartsEarlier);
    reply.status = 206;
    reply.headers.push_back("Content-Range: bytes " + std::to_string(reply.offset) + "-" +
                            std::to_string(total - 1) + "/" + std::to_string(total));
    return reply;
}

void SetFileValidators(const std::filesystem::path& file, Reply* reply) {
    std::error_code ec;
    auto stamp = std::filesystem::last_write_time(file, ec).time_since_epoch();
    long long seconds = std::chrono::duration_cast<std::chrono::seconds>(stamp).count();
    long long nanos = std::chrono::duration_cast<std::chrono::nanoseconds>(stamp).count();
    char etag[64];
    std::snprintf(etag, sizeof etag, "\"%llx-%zx\"", static_cast<unsigned long long>(nanos),
                  reply->body.size());
    reply->etag = etag;
    std::time_t when = static_cast<std::time_t>(seconds % 2000000000);
    std::tm utc{};
#ifdef _WIN32
    gmtime_s(&utc, &when);
#else
    gmtime_r(&when, &utc);
#endif
    char date[64];
    std::strftime(date, sizeof date, "%a, %d %b %Y %H:%M:%S GMT", &utc);
    reply->lastModified = date;
}

}  // namespace testing_support
