#include "signature/verify.h"

#include <sodium.h>

#include <string_view>

#include "platform/whole_file.h"

namespace sig {
namespace {

const PublicKey* FindKey(const std::vector<PublicKey>& keys, const KeyId& id) {
    for (const PublicKey& key : keys) {
        if (key.keyId == id) return &key;
    }
    return nullptr;
}

bool Verifies(const Ed25519Signature& signature, std::string_view bytes, const PublicKey& key) {
    return crypto_sign_verify_detached(signature.data(),
                                       reinterpret_cast<const unsigned char*>(bytes.data()),
                                       bytes.size(), key.key.data()) == 0;
}

// The held file when there is one: a name may lead elsewhere by now.
std::string VerifySignature(const Signature& signature, const PublicKey& key,
                            const PackageFacts& package) {
    plat::WholeFile whole;
    std::string_view bytes(reinterpret_cast<const char*>(package.digest.data()),
                           package.digest.size());
    if (!signature.prehashed) {
        plat::File file =
            package.file ? package.file->Duplicate() : plat::File::OpenForRead(package.path);
        whole = plat::ReadWhole(file, kMaxLegacyPackage);
        if (whole.status == plat::WholeFileStatus::kTooLarge)
            return "package too large for a legacy signature";
        if (!whole.ok()) return "package unreadable";
        bytes = whole.bytes;
    }
    return Verifies(signature.signature, bytes, key) ? std::string() : "bad signature";
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
    const std::string message =
        std::string(signature.signature.begin(), signature.signature.end()) +
        signature.trustedComment;
    if (!Verifies(signature.globalSignature, message, *key)) return "bad trusted comment signature";
    // Without a name a signature would vouch for its package under any name,
    // an older one served as newer included.
    std::string named;
    if (!TrustedCommentFile(signature.trustedComment, &named) || named.empty())
        return "signature names no file";
    if (named != package.listedName) return "signature is for " + named;
    return std::string();
}

}  // namespace sig
