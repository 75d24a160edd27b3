#include "net/folder_result.h"

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

// The report code and the run log's words of each RequestFailure, in that
// enum's order; the words are followed by ": " and the server.
struct FailureText {
    const char* code;
    const char* text;
};

constexpr FailureText kFailureTexts[] = {
    {"", ""},
    {"refused", "connection refused"},
    {"unknown_host", "unknown host"},
    {"timeout", "no answer in time"},
    {"certificate", "certificate not trusted"},
    {"tls", "TLS handshake failed"},
    {"proxy", "proxy cannot be reached"},
    {"status", "status"},
    {"cut", "page cut"},
    {"other", "no answer"},
};
static_assert(std::size(kFailureTexts) == static_cast<std::size_t>(RequestFailure::kOther) + 1);

const FailureText& TextOf(RequestFailure failure) {
    return kFailureTexts[static_cast<std::size_t>(failure)];
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
    if (!page.reached) {
        result.failure = kFailureOfHttpError[static_cast<int>(page.openError)];
        if (result.failure == RequestFailure::kNone) result.failure = RequestFailure::kOther;
    } else if (result.status == 404) {
        // The folder does not exist, which is no failure.
    } else if (result.status >= 400) {
        result.failure = RequestFailure::kStatus;
    } else if (!page.ended || page.cut) {
        result.failure = RequestFailure::kCut;
    }
    return result;
}

const char* RequestFailureCode(RequestFailure failure) { return TextOf(failure).code; }

vocab::Outcome ListingOutcome(const FolderResult& result) {
    if (result.failure == RequestFailure::kNone) return vocab::Outcome();
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
