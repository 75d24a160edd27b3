// libFuzzer target: every input is taken for a downloaded package, extracted
// whole into a scratch root (as the install step does), then again item by
// item in descending order with a password. Aborts when anything lands
// outside the root.
#include <dirent.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "installation/archive.h"
#include "installation/extract.h"
#include "platform/file_system.h"

namespace {

// A plain array: it must outlive the exit handler that removes the directory.
char g_scratch[64];

const char* Scratch() {
    if (g_scratch[0] == '\0') {
        std::snprintf(g_scratch, sizeof g_scratch, "/tmp/talcheck-fuzz-XXXXXX");
        if (::mkdtemp(g_scratch) == nullptr) std::abort();
        std::atexit([] { plat::RemoveTree(g_scratch, nullptr); });
    }
    return g_scratch;
}

// Only the input file and the root may exist in the scratch directory.
void CheckNothingEscaped() {
    DIR* dir = ::opendir(Scratch());
    if (dir == nullptr) std::abort();
    while (dirent* entry = ::readdir(dir)) {
        const char* n = entry->d_name;
        if (std::strcmp(n, ".") && std::strcmp(n, "..") && std::strcmp(n, "input.zip") &&
            std::strcmp(n, "root")) {
            std::fprintf(stderr, "written outside the root: %s\n", n);
            std::abort();
        }
    }
    ::closedir(dir);
}

void ExtractBackwards(const std::string& archive, const std::string& root) {
    ArchiveHandle handle = OpenArchive(archive.c_str(), "password");
    if (handle == nullptr) return;
    SetExtractionRoot(handle, root.c_str());
    ArchiveItem item;
    GetArchiveItem(handle, -1, &item);
    std::int32_t count = item.index > 64 ? 64 : item.index;
    for (std::int32_t i = count - 1; i >= 0; --i) {
        GetArchiveItem(handle, i, &item);
        ExtractArchiveItem(handle, i, item.name);
    }
    CloseArchive(handle);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string archive = std::string(Scratch()) + "/input.zip";
    std::string root = std::string(Scratch()) + "/root";
    FILE* f = std::fopen(archive.c_str(), "wb");
    if (f == nullptr) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    ExtractArchive(archive.c_str(), root.c_str());
    CheckNothingEscaped();
    plat::RemoveTree(root.c_str(), nullptr);
    ExtractBackwards(archive, root);
    CheckNothingEscaped();
    plat::RemoveTree(root.c_str(), nullptr);
    return 0;
}
