// The signature check of the update run: the key policy (PackageKeys), where
// a signature lies (SignatureLocation), and the check of one package
// (PackageCheck). A check is made for its package before the download, hashes
// the bytes as they are written and, once the download is complete, fetches
// the signature (at most 4096 bytes) and verifies it (see signature/verify.h).
//
//   sig::PackageKeys keys(sig::CompiledPackageKeys());
//   sig::PackageCheck check(keys);
//   net::DownloadPackage(url, name, path, check.Observer());
//   std::string refused = check.Check(folderUrl, listedName, path);
//
// With the keys disabled it makes no hasher (so no hashing thread), hashes
// nothing, fetches nothing and refuses nothing.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_handle.h"
#include "signature/package_hasher.h"
#include "signature/verify.h"

namespace sig {

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

// Where the signature of a package in folder lies: in the subfolder
// kSignatureFolder, "<folder>signatures/<listed name>.minisig". folder ends
// with "/", a URL or a local folder alike.
constexpr char kSignatureFolder[] = "signatures";
std::string SignatureLocation(const std::string& folder, const std::string& listedName);

class PackageCheck {
public:
    // keys must outlive the check.
    explicit PackageCheck(const PackageKeys& keys);

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
