#include "signature/package_check.h"

#include "net/fetch_small.h"
#include "signature/verify.h"

namespace sig {

PackageCheck::PackageCheck(const char* keyText) {
    std::string text = keyText ? keyText : "";
    keysUsable_ = ParsePublicKeyList(text, &keys_);
    enabled_ = !keys_.empty() || !keysUsable_;
    if (enabled_) hasher_ = std::make_unique<PackageHasher>();
}

std::function<void(const void* data, std::size_t size)> PackageCheck::BeginPackage() {
    if (!enabled_) return {};
    hasher_->Reset();
    return [this](const void* data, std::size_t size) { hasher_->Update(data, size); };
}

std::string PackageCheck::Check(const char* folderUrl, const char* listedName,
                                const char* localPath) {
    PackageFacts facts;
    facts.listedName = listedName;
    facts.path = localPath;
    return Check(folderUrl, facts);
}

std::string PackageCheck::Check(const char* folderUrl, const char* listedName,
                                const plat::File& package) {
    PackageFacts facts;
    facts.listedName = listedName;
    facts.file = &package;
    return Check(folderUrl, facts);
}

std::string PackageCheck::Check(const char* folderUrl, PackageFacts facts) {
    if (!enabled_) return "";
    facts.digest = hasher_->Finish();
    hasher_->Reset();
    if (!keysUsable_) return "unusable compiled-in key";

    std::string url = std::string(folderUrl) + "signatures/" + facts.listedName + ".minisig";
    net::SmallFile file = net::FetchSmallFile(url.c_str(), kMaxSignatureFile);
    if (file.failure == net::FetchFailure::kTooLarge)
        return "signature over " + std::to_string(kMaxSignatureFile) + " bytes";
    if (file.failure != net::FetchFailure::kNone)
        return "no signature: " + net::DescribeFetchFailure(file, kMaxSignatureFile);
    return VerifyPackage(keys_, file.body, facts);
}

}  // namespace sig
