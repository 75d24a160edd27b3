// The command line of the download benchmarks: URL NAME DIRECTORY, the
// directory also being where the local path the download fills in starts.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "platform/path_buffer.h"

namespace net_bench {

struct FetchArgs {
    std::string url;
    std::string name;
    char localPath[plat::kPathSize] = {};
};

// False, with the usage or the fault on stderr, when the command line does
// not hold the three or the directory does not fit a path buffer.
inline bool ParseFetchArgs(int argc, char** argv, const char* what, FetchArgs* args) {
    CLI::App app(what);
    std::string directory;
    app.add_option("URL", args->url)->required();
    app.add_option("NAME", args->name)->required();
    app.add_option("DIRECTORY", directory)->required();
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return false;
    }
    return plat::CopyBounded(args->localPath, sizeof args->localPath, directory.c_str());
}

}  // namespace net_bench
