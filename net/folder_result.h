// What became of one folder request, typed for the run log and the audit.
#pragma once

#include <cstdint>
#include <string>

#include "net/folder_listing.h"
#include "vocabulary/outcome.h"

namespace net {

enum class RequestFailure {
    kNone,         // the whole page read, or 404: the folder does not exist
    kRefused,      // the server turned the connection away
    kUnknownHost,  // the server's name does not resolve
    kTimedOut,     // no connection or no answer in time
    kCertificate,  // the server's certificate is not trusted
    kTls,          // the TLS handshake failed otherwise
    kProxy,        // the proxy in use could not be reached
    kStatus,       // a status of 400 or more other than 404
    kCut,          // the page broke off, or went on past the page limit
    kOther,        // no usable answer for another reason
};

struct FolderResult {
    RequestFailure failure = RequestFailure::kNone;
    int status = 0;           // the final status, 0 when none arrived
    std::uint64_t bytes = 0;  // body bytes received
    std::string server;       // "host:port" of the folder URL
    std::string proxy;        // the proxy the request went through, empty when direct
};

// Judges a page fetched from url (FetchFolderPage) through proxy (empty:
// direct; see plat::ProxyFor).
FolderResult JudgeFolderPage(const FolderPage& page, const char* url, const std::string& proxy);

// A stable lower-case name for reports: "refused", "unknown_host",
// "timeout", "certificate", "tls", "proxy", "status", "cut", "other"; empty
// for kNone.
const char* RequestFailureCode(RequestFailure failure);

// Failed, when the request failed (a failure other than kNone), with one
// line of text for the run log, for instance "connection refused:
// 10.1.2.3:80" or "proxy 10.0.0.1:3128 cannot be reached"; ok otherwise (a
// missing folder too).
vocab::Outcome ListingOutcome(const FolderResult& result);

// FetchFolderListing (net/folder_listing.h), telling how the request went.
FolderResult FetchFolderNames(const char* folderUrl, std::string& listing, const char* nameFilter);

}  // namespace net
