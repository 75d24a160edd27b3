#include "signature/package_keys.h"

namespace sig {

PackageKeys::PackageKeys(const char* keyText) {
    usable_ = ParsePublicKeyList(keyText ? keyText : "", &keys_);
    enabled_ = !keys_.empty() || !usable_;
}

std::string PackageKeys::Refusal() const {
    return usable_ ? std::string() : std::string("unusable compiled-in key");
}

}  // namespace sig
