#include "installation/archive_names.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <initializer_list>

namespace installation {

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

bool IsDeviceDigit(unsigned char c) {
    // Windows also opens the ports under the code page 1252 superscripts.
    return (c >= '0' && c <= '9') || c == 0xB9 || c == 0xB2 || c == 0xB3;
}

bool ComponentIsDevice(const char* begin, std::size_t length) {
    // Windows drops a stream part (":..."), an extension and then trailing
    // blanks and dots before it compares the rest with its device names:
    // "nul:.txt", "COM1:", "nul .txt" and "con." all reach a device.
    std::size_t stem = 0;
    while (stem < length && begin[stem] != '.' && begin[stem] != ':') ++stem;
    while (stem > 0 && (begin[stem - 1] == ' ' || begin[stem - 1] == '.')) --stem;
    if (stem < 3 || stem > 7) return false;
    char upper[8] = {};
    for (std::size_t i = 0; i < stem; ++i)
        upper[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(begin[i])));
    for (const char* name : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
        if (std::strcmp(upper, name) == 0) return true;
    if (stem != 4 || !IsDeviceDigit(static_cast<unsigned char>(upper[3]))) return false;
    return std::strncmp(upper, "COM", 3) == 0 || std::strncmp(upper, "LPT", 3) == 0;
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
    return !ForEachComponent(
        path, [](const std::string& part) { return !ComponentIsDevice(part.data(), part.size()); });
}

std::size_t LeafOffset(const char* name) {
    // No separator: npos + 1 wraps to 0.
    return std::string(name).find_last_of("\\/") + 1;
}

std::string LowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool ForEachComponent(const std::string& path,
                      const std::function<bool(const std::string& part)>& visit) {
    std::size_t begin = 0;
    for (std::size_t end; (end = path.find_first_of("\\/", begin)) != std::string::npos;
         begin = end + 1) {
        if (!visit(path.substr(begin, end - begin))) return false;
    }
    return visit(path.substr(begin));
}

}  // namespace installation
