#include "signature/verify.h"

#include <sodium.h>

#include <cstdio>
#include <new>

#include "platform/scoped_handle.h"

namespace sig {
namespace {

struct StdioFileTraits {
    using Handle = std::FILE*;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { std::fclose(h); }
};
using ScopedFile = plat::ScopedHandle<StdioFileTraits>;

const PublicKey* FindKey(const std::vector<PublicKey>& keys, const KeyId& id) {
    for (const PublicKey& key : keys) {
        if (key.keyId == id) return &key;
    }
    return nullptr;
}

// The whole file, or false when it cannot be read or exceeds the legacy limit.
bool ReadWholeFile(const char* path, std::string* bytes, bool* tooLarge) {
    *tooLarge = false;
    ScopedFile file(std::fopen(path, "rb"));
    if (!file) return false;
    bytes->clear();
    char buffer[65536];
    for (;;) {
        std::size_t got = std::fread(buffer, 1, sizeof buffer, file.get());
        if (got == 0) break;
        if (bytes->size() + got > kMaxLegacyPackage) {
            *tooLarge = true;
            return false;
        }
        try {
            bytes->append(buffer, got);
        } catch (const std::bad_alloc&) {
            *tooLarge = true;  // no memory for it here
            return false;
        }
    }
    return std::ferror(file.get()) == 0;
}

std::string VerifyLegacy(const Signature& signature, const PublicKey& key, const char* path) {
    std::string bytes;
    bool tooLarge = false;
    if (!ReadWholeFile(path, &bytes, &tooLarge))
        return tooLarge ? "package too large for a legacy signature" : "package unreadable";
    if (crypto_sign_verify_detached(signature.signature.data(),
                                    reinterpret_cast<const unsigned char*>(bytes.data()),
                                    bytes.size(), key.key.data()) != 0)
        return "bad signature";
    return std::string();
}

std::string VerifySignature(const Signature& signature, const PublicKey& key,
                            const PackageFacts& package) {
    if (!signature.prehashed) return VerifyLegacy(signature, key, package.path);
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
