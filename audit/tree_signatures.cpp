#include "audit/tree_signatures.h"

#include <filesystem>
#include <fstream>

#include "platform/whole_file.h"
#include "signature/package_hasher.h"
#include "signature/verify.h"

namespace audit {
namespace {

bool Digest(const std::string& path, sig::Digest* digest) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    sig::PackageHasher hasher;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        hasher.Update(buffer, static_cast<std::size_t>(in.gcount()));
    }
    *digest = hasher.Finish();
    return true;
}

}  // namespace

std::string CheckTreeSignature(const sig::PackageKeys& keys, const std::string& lineFolder,
                               const std::string& name) {
    std::string refusal = keys.Refusal();
    if (!refusal.empty()) return refusal;
    std::filesystem::path package = std::filesystem::path(lineFolder) / name;
    std::filesystem::path signature = sig::SignatureLocation(lineFolder + "/", name);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(signature, ec)) return "no signature";
    const plat::WholeFile text =
        plat::ReadWholeFile(signature.string().c_str(), sig::kMaxSignatureFile);
    if (text.status == plat::WholeFileStatus::kTooLarge) {
        return "signature over " + std::to_string(sig::kMaxSignatureFile) + " bytes";
    }
    sig::PackageFacts facts;
    std::string packagePath = package.string();
    facts.listedName = name.c_str();
    facts.path = packagePath.c_str();
    if (!Digest(packagePath, &facts.digest)) return "package unreadable";
    return sig::VerifyPackage(keys.Keys(), text.bytes, facts);
}

}  // namespace audit
