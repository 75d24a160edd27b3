#include "update/version.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/path_buffer.h"

namespace update {

namespace {

// atoi's reading of a field. Overflow saturates, as the Windows runtime does,
// so both platforms agree on absurd inputs.
int32_t FieldValue(const std::string& field) {
    long long value = std::strtoll(field.c_str(), nullptr, 10);
    return static_cast<int32_t>(std::clamp<long long>(value, INT32_MIN, INT32_MAX));
}

// strtok(text, ".") semantics: runs of separators are one, empty fields never
// count. Fills at most `max` fields.
int SplitFields(const std::string& text, std::string* fields, int max) {
    int count = 0;
    std::size_t begin = text.find_first_not_of('.');
    while (begin != std::string::npos && count < max) {
        std::size_t end = text.find('.', begin);
        fields[count++] = text.substr(begin, end - begin);
        begin = text.find_first_not_of('.', end);
    }
    return count;
}

}  // namespace

bool ParseVersion(const char* text, int32_t& major, int32_t& minor, int32_t& build) {
    std::string fields[3];
    int count = SplitFields(text, fields, 3);
    if (count >= 1) major = FieldValue(fields[0]);
    if (count >= 2) minor = FieldValue(fields[1].substr(0, 1));
    if (count >= 3) build = FieldValue(fields[2]);
    return count == 3;
}

char* FormatPackageName(char* buffer, int32_t major, int32_t minor, int32_t build,
                        const char* extension) {
    std::snprintf(buffer, plat::kPathSize, "%1d.%1d0.%04d.%s", static_cast<int>(major),
                  static_cast<int>(minor), static_cast<int>(build), extension);
    return buffer;
}

std::string LocalPackageName(const char* listedName) {
    int32_t major = 0, minor = 0, build = 0;
    if (!ParseVersion(listedName, major, minor, build)) return listedName;
    char name[plat::kPathSize] = {};
    return FormatPackageName(name, major, minor, build, "zip");
}

bool IsLocalPackageName(const std::string& name) {
    int32_t major = 0, minor = 0, build = 0;
    return ParseVersion(name.c_str(), major, minor, build) &&
           LocalPackageName(name.c_str()) == name;
}

}  // namespace update
