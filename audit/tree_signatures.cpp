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

TreeSignatures::TreeSignatures(const char* keyText) {
    std::string text = keyText ? keyText : "";
    enabled_ = text.find_first_not_of(" \t\r\n") != std::string::npos;
    keysUsable_ = enabled_ && sig::ParsePublicKeyList(text, &keys_) && !keys_.empty();
}

std::string TreeSignatures::Check(const std::string& lineFolder, const std::string& name) const {
    if (!keysUsable_) return "unusable compiled-in key";
    std::filesystem::path package = std::filesystem::path(lineFolder) / name;
    std::filesystem::path signature =
        std::filesystem::path(lineFolder) / "signatures" / (name + ".minisig");
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
    return sig::VerifyPackage(keys_, text.bytes, facts);
}

}  // namespace audit
