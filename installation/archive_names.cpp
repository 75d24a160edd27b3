#include "installation/archive_names.h"

#include <cctype>
#include <cstring>

namespace {

// Separator patterns around ".." in the order they are tried. The search is
// byte-wise: a trail byte equal to "\" in a double-byte code page is taken
// for a separator, which can only strip more, never less.
const char* const kParentPatterns[] = {"\\..\\", "\\../", "/../", "/..\\"};

const char* SkipOnce(const char* name) {
    if (name[0] != '\0' && name[1] == ':') return name + 2;
    if (IsSeparator(name[0])) return name + 1;
    for (const char* pattern : kParentPatterns) {
        if (const char* hit = std::strstr(name, pattern)) return hit + 4;
    }
    // A name that still starts with a parent reference would climb out of the
    // root; the component goes like the others.
    if (name[0] == '.' && name[1] == '.' && IsSeparator(name[2])) return name + 3;
    return nullptr;
}

bool ComponentIsDevice(const char* begin, std::size_t length) {
    std::size_t stem = 0;
    while (stem < length && begin[stem] != '.') ++stem;
    // Trailing blanks are ignored by Windows ("nul .txt").
    while (stem > 0 && begin[stem - 1] == ' ') --stem;
    char upper[5] = {};
    if (stem < 3 || stem > 4) return false;
    for (std::size_t i = 0; i < stem; ++i)
        upper[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(begin[i])));
    if (stem == 3) {
        return std::strcmp(upper, "CON") == 0 || std::strcmp(upper, "PRN") == 0 ||
               std::strcmp(upper, "AUX") == 0 || std::strcmp(upper, "NUL") == 0;
    }
    bool numbered = upper[3] >= '1' && upper[3] <= '9';
    upper[3] = '\0';
    return numbered && (std::strcmp(upper, "COM") == 0 || std::strcmp(upper, "LPT") == 0);
}

}  // namespace

const char* StripItemName(const char* name) {
    while (const char* next = SkipOnce(name)) name = next;
    return name;
}

bool IsAbsoluteName(const char* name) {
    return IsSeparator(name[0]) || (name[0] != '\0' && name[1] == ':');
}

bool NamesDevice(const char* path) {
    const char* begin = path;
    for (const char* p = path;; ++p) {
        if (*p == '\0' || IsSeparator(*p)) {
            if (ComponentIsDevice(begin, static_cast<std::size_t>(p - begin))) return true;
            if (*p == '\0') return false;
            begin = p + 1;
        }
    }
}

std::size_t LeafOffset(const char* name) {
    std::size_t offset = 0;
    for (std::size_t i = 0; name[i] != '\0'; ++i) {
        if (IsSeparator(name[i])) offset = i + 1;
    }
    return offset;
}
