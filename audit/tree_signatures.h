// Signatures of the packages in a local installer tree, checked as the run
// checks a downloaded package (signature/package_check.h): the signature of
// <line folder>/<name> is <line folder>/signatures/<name>.minisig.
#pragma once

#include <string>
#include <vector>

#include "signature/minisign_format.h"

namespace audit {

class TreeSignatures {
public:
    // keyText: the compiled-in keys; without any the check is disabled.
    explicit TreeSignatures(const char* keyText);
    bool Enabled() const { return enabled_; }
    // Empty when the package would be installed, else the run's reason.
    std::string Check(const std::string& lineFolder, const std::string& name) const;

private:
    bool enabled_ = false;
    bool keysUsable_ = false;
    std::vector<sig::PublicKey> keys_;
};

}  // namespace audit
