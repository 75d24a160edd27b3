#include "audit/folder_fetch.h"

#include <chrono>

#include "audit/page_checks.h"
#include "net/folder_listing.h"
#include "net/folder_result.h"
#include "update/package_choice.h"

namespace audit {
namespace {

const char* FailureName(plat::HttpFailure failure) {
    switch (failure) {
        case plat::HttpFailure::kNone:
            return "";
        case plat::HttpFailure::kBroken:
            return "connection broken or silent";
        case plat::HttpFailure::kStalled:
            return "stalled";
        default:
            return "over its time";
    }
}

}  // namespace

FolderRequest FetchFolder(const std::string& role, const std::string& folder,
                          const std::string& url, std::string* listing,
                          std::vector<Warning>* warnings) {
    FolderRequest request;
    request.role = role;
    request.folder = folder;
    request.url = url;
    auto started = std::chrono::steady_clock::now();
    net::FolderPage page;
    net::FetchFolderPage(url.c_str(), &page, true);
    request.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    request.reached = page.reached;
    request.status = page.status;
    request.bytes = page.bytes;
    request.cut = page.cut;
    if (!page.ended) request.readFailure = FailureName(page.failure);
    const net::FolderResult judged =
        net::JudgeFolderPage(page, url.c_str(), plat::ProxyFor(url.c_str()));
    request.failure = net::RequestFailureCode(judged.failure);
    request.failureText = net::ListingOutcome(judged).reason;
    request.proxy = judged.proxy;
    net::AppendLinkTargets(page.body, *listing, ".");
    update::ForEachListingEntry(*listing, [&](const char* name) {
        if (request.nameCount++ < kMaxNamesKept) request.names.emplace_back(name);
    });
    *warnings = CheckPage(request, page.body, *listing);
    return request;
}

}  // namespace audit
