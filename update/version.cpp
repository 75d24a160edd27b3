#include "update/version.h"

#include <climits>
#include <cstdio>
#include <string>

#include "platform/path_buffer.h"

namespace update {

namespace {

// atoi's reading of a field. Overflow saturates, as the Windows runtime does,
// so both platforms agree on absurd inputs.
int32_t FieldValue(const std::string& field) {
    size_t i = 0;
    while (i < field.size() && (field[i] == ' ' || (field[i] >= '\t' && field[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-')) negative = field[i++] == '-';
    int64_t value = 0;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
        value = value * 10 + (field[i] - '0');
        if (value > int64_t{INT32_MAX} + 1) value = int64_t{INT32_MAX} + 1;
    }
    if (negative) value = -value;
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

// strtok(text, ".") semantics: runs of separators are one, empty fields never
// count. Fills at most `max` fields.
int SplitFields(const char* text, std::string* fields, int max) {
    int count = 0;
    const char* p = text;
    while (count < max) {
        while (*p == '.') ++p;
        if (*p == '\0') break;
        const char* start = p;
        while (*p != '\0' && *p != '.') ++p;
        fields[count++].assign(start, p);
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

}  // namespace update
