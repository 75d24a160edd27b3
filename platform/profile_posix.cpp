#include "platform/profile.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

#include "platform/path_buffer.h"
#include "platform/regular_file.h"
#include "platform/whole_file.h"

namespace plat {

namespace {

// The blanks of the profile reader: white space and Ctrl-Z.
bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r') || c == '\x1a'; }

std::string TrimRight(std::string s) {
    while (!s.empty() && IsBlank(s.back())) s.pop_back();
    return s;
}

std::string Trim(const std::string& s) {
    std::size_t start = 0;
    while (start < s.size() && IsBlank(s[start])) ++start;
    return TrimRight(s.substr(start));
}

bool EqualNoCase(const std::string& a, const std::string& b) {
    auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [&](char x, char y) { return lower(x) == lower(y); });
}

// The whole file, when it is a regular file of at most kMaxProfileBytes.
bool ReadWholeFile(const char* fileName, std::string& text) {
    // O_NONBLOCK: a FIFO of the name must not wait for a writer.
    File file = File::Adopt(::open(fileName, O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat st {};
    if (!file.valid() || ::fstat(static_cast<int>(file.native()), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    WholeFile whole = ReadWhole(file, kMaxProfileBytes);
    if (!whole.ok()) return false;
    text = std::move(whole.bytes);
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
    return true;
}

// The value of key in the first section named section; false when absent.
// Lines before the first section header belong to no section.
bool FindValue(const std::string& text, const std::string& section, const std::string& key,
               std::string& value) {
    bool inSection = false;
    bool sectionSeen = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = Trim(text.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty()) continue;
        std::size_t close = line.rfind(']');
        if (line[0] == '[' && close != std::string::npos) {
            if (inSection) return false;  // only the first section of the name counts
            inSection = !sectionSeen && EqualNoCase(line.substr(1, close - 1), section);
            sectionSeen = sectionSeen || inSection;
            continue;
        }
        if (!inSection) continue;
        std::size_t eq = line.find('=');
        std::string name = TrimRight(line.substr(0, eq));
        if (!EqualNoCase(name, key)) continue;
        value = eq == std::string::npos ? std::string() : Trim(line.substr(eq + 1));
        return true;
    }
    return false;
}

// Copies value into buffer as the system does: a matching pair of quotes is
// dropped, and the closing one only when the whole value fitted.
std::size_t CopyEntry(const std::string& value, char* buffer, std::size_t size) {
    const char* v = value.c_str();
    bool quoted = (v[0] == '\'' || v[0] == '"') && v[1] != '\0' && value.back() == v[0];
    if (quoted) ++v;
    const bool dropLast = quoted && std::strlen(v) <= size;
    CopyBounded(buffer, size, v);
    std::size_t n = std::strlen(buffer);
    if (dropLast && n > 0) buffer[--n] = '\0';
    return n;
}

}  // namespace

std::size_t ReadProfileString(const char* section, const char* key, const char* defaultValue,
                              char* buffer, std::size_t size, const char* fileName) {
    if (!buffer || size == 0) return 0;
    std::string text, value;
    bool found = section && key && fileName && ReadWholeFile(fileName, text) &&
                 FindValue(text, Trim(section), Trim(key), value);
    if (found) return CopyEntry(value, buffer, size);
    CopyBounded(buffer, size, TrimRight(defaultValue ? defaultValue : "").c_str());
    return std::strlen(buffer);
}

}  // namespace plat
