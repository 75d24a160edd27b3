#include "testing/temp_dir.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <system_error>

namespace fs = std::filesystem;

namespace testing_support {

ScopedTempDir::ScopedTempDir() {
    std::random_device rd;
    std::mt19937_64 gen(rd());
    fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::ostringstream name;
        name << "talcheck-test-" << std::hex << gen();
        fs::path candidate = base / name.str();
        std::error_code ec;
        if (fs::create_directory(candidate, ec)) {
            path_ = candidate.string();
            return;
        }
    }
}

ScopedTempDir::~ScopedTempDir() {
    if (path_.empty()) return;
    std::error_code ec;
    // Read-only files left by a test must not keep the directory alive.
    for (auto it = fs::recursive_directory_iterator(path_, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(path_, ec);
}

std::string ScopedTempDir::Join(const std::string& relative) const {
    return (fs::path(path_) / relative).string();
}

bool WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

bool ReadFile(const std::string& path, std::string* bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream ss;
    ss << in.rdbuf();
    *bytes = ss.str();
    return true;
}

std::string FileText(const std::string& path) {
    std::string bytes;
    return ReadFile(path, &bytes) ? bytes : kUnreadable;
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

ScopedCurrentDir::ScopedCurrentDir(const std::string& dir) {
    std::error_code ec;
    previous_ = fs::current_path(ec).string();
    fs::current_path(dir, ec);
}

ScopedCurrentDir::~ScopedCurrentDir() {
    std::error_code ec;
    fs::current_path(previous_, ec);
}

}  // namespace testing_support
