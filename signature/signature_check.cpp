#include "signature/signature_check.h"

#include "net/fetch_small.h"

namespace sig {

std::string SignatureLocation(const std::string& folder, const std::string& listedName) {
    return folder + kSignatureFolder + "/" + listedName + ".minisig";
}

SignatureCheck::SignatureCheck(const PackageKeys& keys) : keys_(keys) {
    if (keys_.Enabled()) hasher_ = std::make_unique<PackageHasher>();
}

std::function<void(const void* data, std::size_t size)> SignatureCheck::Observer() {
    if (!hasher_) return {};
    return [this](const void* data, std::size_t size) { hasher_->Update(data, size); };
}

vocab::Outcome SignatureCheck::Check(const char* folderUrl, const char* listedName,
                                     const char* localPath) {
    return Check(folderUrl, PackageFacts{listedName, localPath, nullptr, {}});
}

vocab::Outcome SignatureCheck::Check(const char* folderUrl, const char* listedName,
                                     const plat::File& package) {
    return Check(folderUrl, PackageFacts{listedName, "", &package, {}});
}

vocab::Outcome SignatureCheck::Check(const char* folderUrl, PackageFacts facts) {
    if (!hasher_) return vocab::Outcome();
    facts.digest = hasher_->Finish();
    std::string refusal = keys_.Refusal();
    if (!refusal.empty()) return vocab::Outcome::Refused("", refusal);

    std::string url = SignatureLocation(folderUrl, facts.listedName);
    net::SmallFile file = net::FetchSmallFile(url.c_str(), kMaxSignatureFile);
    if (file.failure == net::FetchFailure::kTooLarge)
        refusal = "signature " + net::DescribeFetchFailure(file, kMaxSignatureFile);
    else if (file.failure != net::FetchFailure::kNone)
        refusal = "no signature: " + net::DescribeFetchFailure(file, kMaxSignatureFile);
    else
        refusal = VerifyPackage(keys_.Keys(), file.body, facts);
    return refusal.empty() ? vocab::Outcome() : vocab::Outcome::Refused("", refusal);
}

}  // namespace sig
