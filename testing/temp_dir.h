// A fresh, empty directory for one test, removed with everything in it when
// the object goes away. Paths use the platform's own separator.
#pragma once

#include <string>

namespace testing_support {

class ScopedTempDir {
public:
    ScopedTempDir();
    ~ScopedTempDir();
    ScopedTempDir(const ScopedTempDir&) = delete;
    ScopedTempDir& operator=(const ScopedTempDir&) = delete;

    const std::string& path() const { return path_; }
    // path() + separator + relative
    std::string Join(const std::string& relative) const;

private:
    std::string path_;
};

// Whole-file helpers for test set-up and checks.
bool WriteFile(const std::string& path, const std::string& bytes);
bool ReadFile(const std::string& path, std::string* bytes);
bool FileExists(const std::string& path);
// The file's bytes for comparing with what it must hold; kUnreadable where
// it cannot be read, which no expected contents equal.
constexpr const char* kUnreadable = "(no readable file)";
std::string FileText(const std::string& path);

// Changes the current directory for the object's lifetime.
class ScopedCurrentDir {
public:
    explicit ScopedCurrentDir(const std::string& dir);
    ~ScopedCurrentDir();
    ScopedCurrentDir(const ScopedCurrentDir&) = delete;
    ScopedCurrentDir& operator=(const ScopedCurrentDir&) = delete;

private:
    std::string previous_;
};

}  // namespace testing_support
