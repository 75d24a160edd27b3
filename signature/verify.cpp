#include "signature/verify.h"

#include <sodium.h>

#include "platform/whole_file.h"

namespace sig {
namespace {

const PublicKey* FindKey(const std::vector<PublicKey>& keys, const KeyId& id) {
    for (const PublicKey& key : keys) {
        if (key.keyId == id) return &key;
    }
    return nullptr;
}

// The held file when there is one: a name may lead elsewhere by now.
std::string VerifyLegacy(const Signature& signature, const PublicKey& key,
                         const PackageFacts& package) {
    plat::File file =
        package.file ? package.file->Duplicate() : plat::File::OpenForRead(package.path);
    const plat::WholeFile whole = plat::ReadWhole(file, kMaxLegacyPackage);
    if (whole.status == plat::WholeFileStatus::kTooLarge)
        return "package too large for a legacy signature";
    if (!whole.ok()) return "package unreadable";
    const std::string& bytes = whole.bytes;
    if (crypto_sign_verify_detached(signature.signature.data(),
                                    reinterpret_cast<const unsigned char*>(bytes.data()),
                                    bytes.size(), key.key.data()) != 0)
        return "bad signature";
    return std::string();
}

std::string VerifySignature(const Signature& signature, const PublicKey& key,
                            const PackageFacts& package) {
    if (!signature.prehashed) return VerifyLegacy(signature, key, package);
    if (crypto_sign_verify_detached(signature.signature.data(), package.digest.data(),
                                    package.digest.size(), key.key.data()) != 0)
        return "bad signature";
    return std::string();
}

bool GlobalSignatureVerifies(const Signature& signature, const PublicKey& key) {
    std::string message(reinterpret_cast<const char*>(signature.signature.data()),
                        signature.signature.size());
    message += signature.trustedComment;
    return crypto_sign_verify_detached(signature.globalSignature.data(),
                                       reinterpret_cast<const unsigned char*>(message.data()),
                                       message.size(), key.key.data()) == 0;
}

}  // namespace

std::string VerifyPackage(const std::vector<PublicKey>& keys, const std::string& signatureFile,
                          const PackageFacts& package) {
    if (sodium_init() < 0) return "no signature library";
    Signature signature;
    std::string reason = ParseSignatureFile(signatureFile, &signature);
    if (!reason.empty()) return reason;
    const PublicKey* key = FindKey(keys, signature.keyId);
    if (!key) return "unknown key";
    reason = VerifySignature(signature, *key, package);
    if (!reason.empty()) return reason;
    if (!GlobalSignatureVerifies(signature, *key)) return "bad trusted comment signature";
    // Without a name a signature would vouch for its package under any name,
    // an older one served as newer included.
    std::string named;
    if (!TrustedCommentFile(signature.trustedComment, &named) || named.empty())
        return "signature names no file";
    if (named != package.listedName) return "signature is for " + named;
    return std::string();
}

}  // namespace sig
