// Signatures of the packages in a local installer tree, checked as the run
// checks a downloaded package (signature/signature_check.h), with the run's key
// policy and signature location.
#pragma once

#include <string>

#include "signature/signature_check.h"

namespace audit {

// Empty when the package lineFolder/name would be installed with keys
// (enabled), else the run's reason.
std::string CheckTreeSignature(const sig::PackageKeys& keys, const std::string& lineFolder,
                               const std::string& name);

}  // namespace audit
