// Fetches one URL into DIRECTORY/NAME with DownloadToFile; exit code 0 when
// the download completed and the full path was reported.
//   download_file URL NAME DIRECTORY
#include <cstdio>
#include <string_view>

#include "net/download.h"
#include "platform/path_buffer.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s URL NAME DIRECTORY\n", argv[0]);
        return 2;
    }
    char localPath[plat::kPathSize] = {};
    if (!plat::CopyBounded(localPath, sizeof localPath, argv[3])) return 2;
    std::string_view before(argv[3]);
    bool ok = DownloadToFile(argv[1], argv[2], localPath);
    return ok && before != localPath ? 0 : 1;
}
