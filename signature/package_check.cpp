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

update::Outcome PackageCheck::Check(const char* folderUrl, const char* listedName,
                                    const char* localPath) {
    PackageFacts facts;
    facts.listedName = listedName;
    facts.path = localPath;
    return Check(folderUrl, facts);
}

update::Outcome PackageCheck::Check(const char* folderUrl, const char* listedName,
                                    const plat::File& package) {
    PackageFacts facts;
    facts.listedName = listedName;
    facts.file = &package;
    return Check(folderUrl, facts);
}

update::Outcome PackageCheck::Check(const char* folderUrl, PackageFacts facts) {
    if (!enabled_) return update::Outcome();
    facts.digest = hasher_->Finish();
    hasher_->Reset();
    if (!keysUsable_) return update::Outcome::Refused("", "unusable compiled-in key");

    std::string url = std::string(folderUrl) + "signatures/" + facts.listedName + ".minisig";
    net::SmallFile file = net::FetchSmallFile(url.c_str(), kMaxSignatureFile);
    std::string refusal;
    if (file.failure == net::FetchFailure::kTooLarge)
        refusal = "signature over " + std::to_string(kMaxSignatureFile) + " bytes";
    else if (file.failure != net::FetchFailure::kNone)
        refusal = "no signature: " + net::DescribeFetchFailure(file, kMaxSignatureFile);
    else
        refusal = VerifyPackage(keys_, file.body, facts);
    return refusal.empty() ? update::Outcome() : update::Outcome::Refused("", refusal);
}

}  // namespace sig
