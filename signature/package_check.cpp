#include "signature/package_check.h"

#include "net/fetch_small.h"
#include "signature/verify.h"

namespace sig {

PackageKeys::PackageKeys(const char* keyText) {
    usable_ = ParsePublicKeyList(keyText ? keyText : "", &keys_);
    enabled_ = !keys_.empty() || !usable_;
}

std::string PackageKeys::Refusal() const {
    return usable_ ? std::string() : std::string("unusable compiled-in key");
}

std::string SignatureLocation(const std::string& folder, const std::string& listedName) {
    return folder + kSignatureFolder + "/" + listedName + ".minisig";
}

PackageCheck::PackageCheck(const PackageKeys& keys) : keys_(keys) {
    if (keys_.Enabled()) hasher_ = std::make_unique<PackageHasher>();
}

std::function<void(const void* data, std::size_t size)> PackageCheck::Observer() {
    if (!hasher_) return {};
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
    if (!hasher_) return "";
    facts.digest = hasher_->Finish();
    std::string refusal = keys_.Refusal();
    if (!refusal.empty()) return refusal;

    std::string url = SignatureLocation(folderUrl, facts.listedName);
    net::SmallFile file = net::FetchSmallFile(url.c_str(), kMaxSignatureFile);
    if (file.failure == net::FetchFailure::kTooLarge)
        return "signature over " + std::to_string(kMaxSignatureFile) + " bytes";
    if (file.failure != net::FetchFailure::kNone)
        return "no signature: " + net::DescribeFetchFailure(file, kMaxSignatureFile);
    return VerifyPackage(keys_.Keys(), file.body, facts);
}

}  // namespace sig
