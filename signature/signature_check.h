// The signature check of the update run: where a signature lies
// (SignatureLocation) and the check of one package (SignatureCheck) against
// the key policy (signature/package_keys.h). A check is made for its package before the download,
// hashes the bytes as they are written and, once the download is complete, fetches the signature
// (at most 4096 bytes) and verifies it (see signature/verify.h).
//
//   sig::PackageKeys keys(sig::CompiledPackageKeys());
//   sig::SignatureCheck check(keys);
//   net::DownloadPackage(url, name, path, check.Observer());
//   vocab::Outcome checked = check.Check(folderUrl, listedName, path);
//
// With the keys disabled it makes no hasher (so no hashing thread), hashes
// nothing, fetches nothing and refuses nothing.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "platform/file_handle.h"
#include "signature/package_hasher.h"
#include "signature/package_keys.h"
#include "signature/verify.h"
#include "vocabulary/outcome.h"

namespace sig {

// Where the signature of a package in folder lies: in the subfolder
// kSignatureFolder, "<folder>signatures/<listed name>.minisig". folder ends
// with "/", a URL or a local folder alike.
constexpr char kSignatureFolder[] = "signatures";
std::string SignatureLocation(const std::string& folder, const std::string& listedName);

class SignatureCheck {
public:
    // keys must outlive the check.
    explicit SignatureCheck(const PackageKeys& keys);

    // Takes the package's bytes as they are written (empty when the check is
    // disabled). It refers to this object, which must outlive the download.
    std::function<void(const void* data, std::size_t size)> Observer();

    // Asked once, after the download: ok when the package may be installed,
    // else refused with the reason for the run log. folderUrl ends with "/".
    vocab::Outcome Check(const char* folderUrl, const char* listedName, const char* localPath);
    // The same for a package held open since its download: a legacy
    // signature is checked over package's bytes, not a file reopened by name.
    vocab::Outcome Check(const char* folderUrl, const char* listedName, const plat::File& package);

private:
    vocab::Outcome Check(const char* folderUrl, PackageFacts facts);

    const PackageKeys& keys_;
    std::unique_ptr<PackageHasher> hasher_;  // only when enabled
};

}  // namespace sig
