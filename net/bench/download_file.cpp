// Fetches one URL into DIRECTORY/NAME with DownloadToFile; exit code 0 when
// the download completed and the full path was reported.
//   download_file URL NAME DIRECTORY
#include <string>

#include "net/bench/fetch_args.h"
#include "net/download.h"

int main(int argc, char** argv) {
    net_bench::FetchArgs args;
    if (!net_bench::ParseFetchArgs(argc, argv, "Fetches URL into DIRECTORY/NAME", &args)) return 2;
    std::string before(args.localPath);
    bool ok = DownloadToFile(args.url.c_str(), args.name.c_str(), args.localPath);
    return ok && before != args.localPath ? 0 : 1;
}
