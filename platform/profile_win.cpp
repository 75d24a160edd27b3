#include "platform/profile.h"

#include <cstring>
#include <string>

#include "platform/path_buffer.h"
#include "platform/regular_file.h"
#include "platform/win.h"

namespace plat {
namespace {

// What the system gives for a missing file: the default without its
// trailing blanks, cut to the buffer.
std::size_t CopyDefault(const char* defaultValue, char* buffer, std::size_t size) {
    std::string text = defaultValue ? defaultValue : "";
    text.erase(text.find_last_not_of(" \t\n\v\f\r") + 1);
    CopyBounded(buffer, size, text.c_str());
    return std::strlen(buffer);
}

}  // namespace

std::size_t ReadProfileString(const char* section, const char* key, const char* defaultValue,
                              char* buffer, std::size_t size, const char* fileName) {
    if (!buffer || size == 0) return 0;
    // The system reads whatever the name opens, a device or a pipe too.
    if (!IsRegularFileWithin(fileName, kMaxProfileBytes))
        return CopyDefault(defaultValue, buffer, size);
    return ::GetPrivateProfileStringA(section, key, defaultValue, buffer, static_cast<DWORD>(size),
                                      fileName);
}

}  // namespace plat
