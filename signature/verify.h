// Checks a downloaded package against its minisign signature and the
// compiled-in keys, as the minisign tool verifies:
//   - the signature's key id names one of keys;
//   - its signature verifies: over the package's BLAKE2b-512 hash for the
//     prehashed form ("ED", digest as fed by PackageHasher), over the file's
//     bytes for the legacy form ("Ed", the file is read once more);
//   - the global signature over the signature and the trusted comment
//     verifies with the same key;
//   - the trusted comment names a file ("file:NAME", not empty), and that
//     name is listedName, so that an older signed package cannot be served
//     under a newer name.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "signature/minisign_format.h"
#include "platform/file_handle.h"
#include "signature/package_hasher.h"

namespace sig {

// Largest package whose legacy signature is checked: that form needs the
// whole file in memory.
constexpr std::uint64_t kMaxLegacyPackage = std::uint64_t{512} << 20;

struct PackageFacts {
    const char* listedName = "";  // as the folder listed it
    const char* path = "";        // the downloaded file (legacy form only)
    // The downloaded file held open (legacy form only); read in place of
    // path when set, from its first byte.
    const plat::File* file = nullptr;
    Digest digest{};  // BLAKE2b-512 of the downloaded bytes
};

// Empty when the package may be installed; otherwise the reason it may not,
// worded for the run log ("unknown key", "bad signature", ...).
std::string VerifyPackage(const std::vector<PublicKey>& keys, const std::string& signatureFile,
                          const PackageFacts& package);

}  // namespace sig
