#include "net/folder_result.h"

#include <cstring>
#include <iterator>

namespace net {
namespace {

// The request failure of each plat::HttpError, in that enum's order.
constexpr RequestFailure kFailureOfHttpError[] = {
    RequestFailure::kNone,     RequestFailure::kRefused,     RequestFailure::kUnknownHost,
    RequestFailure::kTimedOut, RequestFailure::kCertificate, RequestFailure::kTls,
    RequestFailure::kProxy,    RequestFailure::kOther};
static_assert(std::size(kFailureOfHttpError) ==
              static_cast<std::size_t>(plat::HttpError::kOther) + 1);

struct FailureText {
    RequestFailure failure;
    const char* code;
    const char* text;  // followed by ": " and the server
};

constexpr FailureText kFailureTexts[] = {
    {RequestFailure::kNone, "", ""},
    {RequestFailure::kRefused, "refused", "connection refused"},
    {RequestFailure::kUnknownHost, "unknown_host", "unknown host"},
    {RequestFailure::kTimedOut, "timeout", "no answer in time"},
    {RequestFailure::kCertificate, "certificate", "certificate not trusted"},
    {RequestFailure::kTls, "tls", "TLS handshake failed"},
    {RequestFailure::kProxy, "proxy", "proxy cannot be reached"},
    {RequestFailure::kStatus, "status", "status"},
    {RequestFailure::kCut, "cut", "page cut"},
    {RequestFailure::kOther, "other", "no answer"},
};

const FailureText& TextOf(RequestFailure failure) {
    for (const FailureText& entry : kFailureTexts)
        if (entry.failure == failure) return entry;
    return kFailureTexts[0];
}

std::string DescribeFolderFailure(const FolderResult& result) {
    const std::string text = TextOf(result.failure).text;
    switch (result.failure) {
        case RequestFailure::kProxy:
            return "proxy " + result.proxy + " cannot be reached";
        case RequestFailure::kStatus:
            return text + " " + std::to_string(result.status);
        case RequestFailure::kCut:
            return text + " after " + std::to_string(result.bytes) + " bytes";
        default:
            break;
    }
    std::string line = text + ": " + result.server;
    if (!result.proxy.empty()) line += " through proxy " + result.proxy;
    return line;
}

// "host:port" of a URL, the port of its scheme filled in (80, or 443 for https).
std::string ServerOf(const char* url) {
    std::string text = url ? url : "";
    std::size_t begin = text.find("://");
    const bool https = begin == 5 && (text.compare(0, 5, "https") == 0);
    begin = begin == std::string::npos ? 0 : begin + 3;
    std::size_t end = text.find_first_of("/?#", begin);
    std::string authority = text.substr(begin, end == std::string::npos ? end : end - begin);
    std::size_t at = authority.rfind('@');
    if (at != std::string::npos) authority.erase(0, at + 1);
    std::size_t colon = authority.rfind(':');
    std::size_t bracket = authority.rfind(']');
    bool hasPort = colon != std::string::npos && (bracket == std::string::npos || colon > bracket);
    if (!hasPort) authority += https ? ":443" : ":80";
    return authority;
}

}  // namespace

FolderResult JudgeFolderPage(const FolderPage& page, const char* url, const std::string& proxy) {
    FolderResult result;
    result.status = page.status;
    result.bytes = page.bytes;
    result.server = ServerOf(url);
    result.proxy = proxy;
    result.outcome = FolderOutcome::kFailed;
    if (!page.reached) {
        result.failure = kFailureOfHttpError[static_cast<int>(page.openError)];
        if (result.failure == RequestFailure::kNone) result.failure = RequestFailure::kOther;
    } else if (result.status == 404) {
        result.outcome = FolderOutcome::kNotFound;
    } else if (result.status >= 400) {
        result.failure = RequestFailure::kStatus;
    } else if (!page.ended || page.cut) {
        result.failure = RequestFailure::kCut;
    } else {
        result.outcome = FolderOutcome::kRead;
    }
    return result;
}

const char* RequestFailureCode(RequestFailure failure) { return TextOf(failure).code; }

vocab::Outcome ListingOutcome(const FolderResult& result) {
    if (result.outcome != FolderOutcome::kFailed) return vocab::Outcome();
    return vocab::Outcome::Failed("", DescribeFolderFailure(result));
}

FolderResult FetchFolderNames(const char* folderUrl, std::string& listing, const char* nameFilter) {
    FolderPage page;
    try {
        FetchFolderPage(folderUrl, &page);
        AppendLinkTargets(page.body, listing, nameFilter);
    } catch (...) {
        // Out of memory while parsing: the names appended so far stay.
    }
    return JudgeFolderPage(page, folderUrl, plat::ProxyFor(folderUrl));
}

}  // namespace net
