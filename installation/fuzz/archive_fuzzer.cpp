// libFuzzer target: every input is taken for a downloaded package and
// installed into an install directory that already holds a few files, as
// the install step does. Aborts when install changed although the package
// was not installed, or when anything appears outside install. Then the
// input is extracted item by item in descending order with a password into
// a scratch root, which nothing may leave either.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "installation/archive.h"
#include "installation/install_archive.h"
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

std::string Under(const char* name) { return std::string(Scratch()) + "/" + name; }

void Write(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) std::abort();
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// The install directory before every input: files the fuzzer's items can
// hit by name, a directory, and a read-only file.
void MakeInstall() {
    std::string install = Under("install");
    plat::RemoveTree(install.c_str(), nullptr);
    if (::mkdir(install.c_str(), 0777) != 0 || ::mkdir((install + "/a").c_str(), 0777) != 0)
        std::abort();
    Write(install + "/a/b", "old b");
    Write(install + "/x", "old x");
    Write(install + "/ro", "read-only");
    ::chmod((install + "/ro").c_str(), 0444);
}

// Every entry below dir: kind, mode and contents.
void Snapshot(const std::string& dir, std::map<std::string, std::string>* out, int depth = 0) {
    DIR* d = ::opendir(dir.c_str());
    if (d == nullptr || depth > 64) std::abort();
    while (dirent* entry = ::readdir(d)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        std::string path = dir + "/" + name;
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0) std::abort();
        std::string value = std::to_string(st.st_mode) + ":";
        if (S_ISDIR(st.st_mode)) Snapshot(path, out, depth + 1);
        if (S_ISREG(st.st_mode)) {
            FILE* f = std::fopen(path.c_str(), "rb");
            char buffer[4096];
            while (f != nullptr && !std::feof(f))
                value.append(buffer, std::fread(buffer, 1, sizeof buffer, f));
            if (f != nullptr) std::fclose(f);
        }
        (*out)[path] = value;
    }
    ::closedir(d);
}

// Only the input file, install and the root may exist in the scratch directory.
void CheckNothingEscaped() {
    DIR* dir = ::opendir(Scratch());
    if (dir == nullptr) std::abort();
    while (dirent* entry = ::readdir(dir)) {
        const char* n = entry->d_name;
        if (std::strcmp(n, ".") && std::strcmp(n, "..") && std::strcmp(n, "input.zip") &&
            std::strcmp(n, "root") && std::strcmp(n, "install")) {
            std::fprintf(stderr, "written outside install and the root: %s\n", n);
            std::abort();
        }
    }
    ::closedir(dir);
}

void InstallWhole(const std::string& archive) {
    MakeInstall();
    std::map<std::string, std::string> before, after;
    Snapshot(Under("install"), &before);
    installation::PackageLimits limits;
    limits.reserveBytes = 0;
    vocab::Outcome outcome =
        installation::InstallArchive(archive.c_str(), Under("install"), "input.zip", limits);
    CheckNothingEscaped();
    Snapshot(Under("install"), &after);
    if (!outcome.ok() && before != after) {
        std::fprintf(stderr, "install changed by a package not installed (%s)\n",
                     outcome.Text().c_str());
        std::abort();
    }
}

void ExtractBackwards(const std::string& archive, const std::string& root) {
    installation::ScopedArchive handle(installation::OpenArchive(archive.c_str(), "password"));
    if (!handle) return;
    installation::SetExtractionRoot(handle.get(), root.c_str());
    installation::ArchiveItem item;
    installation::GetArchiveItem(handle.get(), -1, &item);
    std::int32_t count = item.index > 64 ? 64 : item.index;
    for (std::int32_t i = count - 1; i >= 0; --i) {
        installation::GetArchiveItem(handle.get(), i, &item);
        installation::ExtractArchiveItem(handle.get(), i, item.name);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string archive = Under("input.zip");
    Write(archive, std::string(reinterpret_cast<const char*>(data), size));
    InstallWhole(archive);
    ExtractBackwards(archive, Under("root"));
    CheckNothingEscaped();
    plat::RemoveTree(Under("root").c_str(), nullptr);
    return 0;
}
