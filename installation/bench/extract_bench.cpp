// Extracts one package the way the install step does and prints the wall
// time. Usage: extract_bench <archive.zip> <destination directory>
#include <chrono>
#include <cstdio>

#include "installation/extract.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <archive.zip> <destination>\n", argv[0]);
        return 2;
    }
    auto start = std::chrono::steady_clock::now();
    bool ok = ExtractArchive(argv[1], argv[2]);
    std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    std::printf("%.3f\n", elapsed.count());
    return ok ? 0 : 1;
}
