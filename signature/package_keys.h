// The key policy: the public keys that every package must be signed with,
// compiled into the program from the build setting TALCHECK_PACKAGE_KEYS
// (minisign public key lines separated by blanks, or empty when packages are
// not checked), and what a key text means. No environment variable or file
// can change them at run time.
#pragma once

#include <string>
#include <vector>

#include "signature/minisign_format.h"

namespace sig {

// Defined by the one keys library a program links (cmake/PackageKeys.cmake).
const char* CompiledPackageKeys();

// What a key text means, for the run and the inspection alike. With no key
// (an empty or all-blank text) the check is disabled. A text with a malformed
// key refuses every package: a deployment that meant to require signatures
// never runs without them.
class PackageKeys {
public:
    explicit PackageKeys(const char* keyText);

    bool Enabled() const { return enabled_; }
    // Empty when the keys can verify packages, else the refusal of every one.
    std::string Refusal() const;
    const std::vector<PublicKey>& Keys() const { return keys_; }

private:
    bool enabled_ = false;
    bool usable_ = false;
    std::vector<PublicKey> keys_;
};

}  // namespace sig
