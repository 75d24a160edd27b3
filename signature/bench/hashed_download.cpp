// Fetches one URL into DIRECTORY/NAME with DownloadPackage while hashing the
// body for a prehashed signature, as a run with package keys does; exit code
// 0 when the download completed. Prints the hash's first bytes so the work
// cannot be left out.
//   hashed_download URL NAME DIRECTORY
#include <cstdio>

#include "net/download.h"
#include "platform/path_buffer.h"
#include "signature/package_hasher.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s URL NAME DIRECTORY\n", argv[0]);
        return 2;
    }
    char localPath[plat::kPathSize] = {};
    if (!plat::CopyBounded(localPath, sizeof localPath, argv[3])) return 2;
    sig::PackageHasher hasher;
    net::DownloadResult result = net::DownloadPackage(
        argv[1], argv[2], localPath,
        [&hasher](const void* data, std::size_t size) { hasher.Update(data, size); });
    sig::Digest digest = hasher.Finish();
    std::printf("%02x%02x%02x%02x\n", digest[0], digest[1], digest[2], digest[3]);
    return result.complete ? 0 : 1;
}
