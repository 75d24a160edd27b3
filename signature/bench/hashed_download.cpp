// Fetches one URL into DIRECTORY/NAME with DownloadPackage while hashing the
// body for a prehashed signature, as a run with package keys does; exit code
// 0 when the download completed. Prints the hash's first bytes so the work
// cannot be left out.
//   hashed_download URL NAME DIRECTORY
#include <cstdio>

#include "net/bench/fetch_args.h"
#include "net/download.h"
#include "signature/package_hasher.h"

int main(int argc, char** argv) {
    net_bench::FetchArgs args;
    if (!net_bench::ParseFetchArgs(argc, argv, "Fetches and hashes URL", &args)) return 2;
    sig::PackageHasher hasher;
    net::DownloadResult result = net::DownloadPackage(
        args.url.c_str(), args.name.c_str(), args.localPath,
        [&hasher](const void* data, std::size_t size) { hasher.Update(data, size); });
    sig::Digest digest = hasher.Finish();
    std::printf("%02x%02x%02x%02x\n", digest[0], digest[1], digest[2], digest[3]);
    return result.complete ? 0 : 1;
}
