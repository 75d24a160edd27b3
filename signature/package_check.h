// The signature check of the update run: given the compiled-in keys, hashes
// each package while it downloads and, once it is complete, fetches
// "<folder URL>signatures/<listed name>.minisig" (at most 4096 bytes) and
// verifies it (see signature/verify.h).
//
//   sig::PackageCheck check(keys);
//   net::DownloadPackage(url, name, path, check.BeginPackage());
//   update::Outcome checked = check.Check(folderUrl, listedName, path);
//
// With no key (an empty or all-blank text) the check is disabled: it makes
// no hasher (so no hashing thread), hashes nothing and fetches nothing, and
// the caller is expected not to call Check.
// A key text with a malformed key refuses every package: a deployment that
// meant to require signatures never runs without them.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "signature/minisign_format.h"
#include "platform/file_handle.h"
#include "signature/package_hasher.h"
#include "signature/verify.h"
#include "update/outcome.h"

namespace sig {

class PackageCheck {
public:
    explicit PackageCheck(const char* keyText);

    bool Enabled() const { return enabled_; }

    // Starts the hash of the next package; the returned observer (empty when
    // the check is disabled) takes its bytes as they are written. It refers
    // to this object, which must outlive the download.
    std::function<void(const void* data, std::size_t size)> BeginPackage();

    // Ok when the package downloaded since BeginPackage may be installed,
    // else refused with the reason for the run log. folderUrl ends with "/".
    update::Outcome Check(const char* folderUrl, const char* listedName, const char* localPath);
    // The same for a package held open since its download: a legacy
    // signature is checked over package's bytes, not a file reopened by name.
    update::Outcome Check(const char* folderUrl, const char* listedName, const plat::File& package);

private:
    update::Outcome Check(const char* folderUrl, PackageFacts facts);

    bool enabled_ = false;
    bool keysUsable_ = false;
    std::vector<PublicKey> keys_;
    std::unique_ptr<PackageHasher> hasher_;  // only when enabled
};

}  // namespace sig
