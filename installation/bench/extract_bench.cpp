// Installs one package the way the install step does (test, staging,
// flushes, moves into place) and prints the wall time. With --no-flush it
// installs without making anything durable, to show what the flushes cost.
// With --test-pass it only reads every item through the reader, inflating
// and checking its CRC-32 without writing anything: what a separate test
// pass before extraction would cost.
// Usage: extract_bench [--test-pass | --no-flush] <archive.zip> <destination directory>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>

#include <unzip.h>

#include "installation/install_archive.h"
#include "installation/staging.h"
#include "platform/file_system.h"

namespace {

bool TestPass(const char* archive) {
    unzFile reader = unzOpen64(archive);
    if (reader == nullptr) return false;
    std::unique_ptr<char[]> buffer(new char[16384]);
    bool ok = true;
    for (int step = unzGoToFirstFile(reader); ok && step == UNZ_OK;
         step = unzGoToNextFile(reader)) {
        ok = unzOpenCurrentFile(reader) == UNZ_OK;
        int n = 1;
        while (ok && (n = unzReadCurrentFile(reader, buffer.get(), 16384)) > 0) {
        }
        ok = ok && n == 0 && unzCloseCurrentFile(reader) == UNZ_OK;
    }
    unzClose(reader);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    bool testPass = argc == 4 && std::strcmp(argv[1], "--test-pass") == 0;
    bool noFlush = argc == 4 && std::strcmp(argv[1], "--no-flush") == 0;
    if (argc != 3 && !testPass && !noFlush) {
        std::fprintf(stderr, "usage: %s [--test-pass | --no-flush] <archive.zip> <destination>\n",
                     argv[0]);
        return 2;
    }
    const char* archive = argv[argc - 2];
    const char* destination = argv[argc - 1];
    auto start = std::chrono::steady_clock::now();
    bool ok = false;
    if (testPass) {
        ok = TestPass(archive);
    } else {
        installation::SetFlushingForTesting(!noFlush);
        plat::MakeDirectory(destination);
        vocab::Outcome outcome =
            installation::InstallArchive(archive, destination, "", installation::PackageLimits());
        ok = outcome.ok();
        if (!ok) std::fprintf(stderr, "%s\n", outcome.Text().c_str());
    }
    std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    std::printf("%.3f\n", elapsed.count());
    return ok ? 0 : 1;
}
