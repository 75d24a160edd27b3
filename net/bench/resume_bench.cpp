// A package over a link that is cut every so many bytes: how many bytes and
// runs it takes until the whole package is in place. Each run is one
// DownloadPackage call, as each TalCheck run makes one; a run ends when the
// server cuts the connection. Run by hand, never by ctest:
//   resume_bench [PACKAGE_MB] [CUT_MB]        (defaults: 200 and 20)
#include <cstdio>
#include <cstdlib>
#include <string>

#include "net/download.h"
#include "testing/loopback_server.h"
#include "testing/temp_dir.h"

namespace {

struct Outcome {
    int runs = 0;
    std::uint64_t received = 0;
    bool complete = false;
};

// Runs until complete or maxRuns; each run gets cutAfter bytes at most.
Outcome Download(std::uint64_t size, std::uint64_t cutAfter, bool ranges, int maxRuns) {
    using testing_support::Reply;
    testing_support::LoopbackServer server;
    Reply reply = Reply::Generated(size);
    reply.cutAfter = cutAfter;
    if (ranges) {
        reply.etag = "\"bench-1\"";
        reply.lastModified = "Mon, 07 Dec 2026 10:00:00 GMT";
    }
    server.Route("/5_1/5.10.0023.zip", reply);
    testing_support::ScopedTempDir dir;
    Outcome outcome;
    while (!outcome.complete && outcome.runs < maxRuns) {
        char localPath[260] = {};
        std::snprintf(localPath, sizeof localPath, "%s", dir.path().c_str());
        net::DownloadResult r = net::DownloadPackage(server.Url("/5_1/5.10.0023.zip").c_str(),
                                                     "5.10.0023.zip", localPath);
        ++outcome.runs;
        outcome.received += r.received;
        outcome.complete = r.complete;
    }
    return outcome;
}

void Report(const char* label, std::uint64_t size, const Outcome& o) {
    std::printf("%-22s runs %3d  received %12llu bytes  %.3f x package  %s\n", label, o.runs,
                static_cast<unsigned long long>(o.received),
                static_cast<double>(o.received) / static_cast<double>(size),
                o.complete ? "installed" : "never complete");
}

}  // namespace

int main(int argc, char** argv) {
    const std::uint64_t mb = 1000 * 1000;
    std::uint64_t size = (argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 200) * mb;
    std::uint64_t cut = (argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 20) * mb;
    std::printf("package %llu bytes, link cut every %llu bytes\n",
                static_cast<unsigned long long>(size), static_cast<unsigned long long>(cut));
    Report("resumed (ranges)", size, Download(size, cut, true, 100));
    // The same server without validators: every run starts over.
    Report("no ranges (as before)", size, Download(size, cut, false, 5));
    return 0;
}
