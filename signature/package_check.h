// The signature check of one package in the update run: made for the package
// before its download, it hashes the bytes as they are written and, once the
// download is complete, fetches the package's signature (SignatureLocation,
// at most 4096 bytes) and verifies it (see signature/verify.h).
//
//   sig::PackageCheck check(keys);
//   net::DownloadPackage(url, name, path, check.Observer());
//   std::string refused = check.Check(folderUrl, listedName, path);
//
// With the keys disabled (see signature/package_keys.h) it makes no hasher
// (so no hashing thread), hashes nothing, fetches nothing and refuses
// nothing.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "platform/file_handle.h"
#include "signature/package_hasher.h"
#include "signature/package_keys.h"
#include "signature/verify.h"

namespace sig {

// Where the signature of a package in folder lies: in the subfolder
// kSignatureFolder, "<folder>signatures/<listed name>.minisig". folder ends
// with "/", a URL or a local folder alike.
constexpr char kSignatureFolder[] = "signatures";
std::string SignatureLocation(const std::string& folder, const std::string& listedName);

class PackageCheck {
public:
    // keys must outlive the check.
    explicit PackageCheck(const PackageKeys& keys);

    bool Enabled() const { return keys_.Enabled(); }

    // Takes the package's bytes as they are written (empty when the check is
    // disabled). It refers to this object, which must outlive the download.
    std::function<void(const void* data, std::size_t size)> Observer();

    // Asked once, after the download: empty when the package may be
    // installed, else the reason for the run log. folderUrl ends with "/".
    std::string Check(const char* folderUrl, const char* listedName, const char* localPath);
    // The same for a package held open since its download: a legacy
    // signature is checked over package's bytes, not a file reopened by name.
    std::string Check(const char* folderUrl, const char* listedName, const plat::File& package);

private:
    std::string Check(const char* folderUrl, PackageFacts facts);

    const PackageKeys& keys_;
    std::unique_ptr<PackageHasher> hasher_;  // only when enabled
};

}  // namespace sig
