// What both HttpGet backends share: the typed reading of the status and the
// Content-Length, which each backend hands out as text.
#include "platform/http.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace plat {
namespace {

// atol's reading of text, saturating instead of overflowing.
long long LeadingNumber(const char* text) {
    while (*text == ' ' || (*text >= '\t' && *text <= '\r')) ++text;
    bool negative = *text == '-';
    if (*text == '-' || *text == '+') ++text;
    long long value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        int digit = *text - '0';
        if (value > (LLONG_MAX - digit) / 10) return negative ? LLONG_MIN : LLONG_MAX;
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

}  // namespace

std::optional<int> HttpGet::Status() {
    char text[32] = {};
    if (!QueryStatusText(text, sizeof text)) return std::nullopt;
    return static_cast<int>(std::clamp<long long>(LeadingNumber(text), INT_MIN, INT_MAX));
}

std::optional<std::int64_t> HttpGet::ContentLength() {
    char text[32] = {};
    if (!QueryHeaderText(HttpHeader::kContentLength, text, sizeof text)) return std::nullopt;
    return LeadingNumber(text);
}

bool HttpGet::Open(const char* url, std::chrono::milliseconds totalTime, const char* extraHeaders) {
    failure_ = HttpFailure::kBroken;
    openError_ = HttpError::kOther;
    if (impl_ || !url || !Start(url, EffectiveLimits(totalTime), extraHeaders)) return false;
    failure_ = HttpFailure::kNone;
    openError_ = HttpError::kNone;
    return true;
}

}  // namespace plat
