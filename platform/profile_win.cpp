#include "platform/profile.h"

#include <cstring>

#include "platform/regular_file.h"
#include "platform/win.h"

namespace plat {
namespace {

// What the system gives for a missing file: the default without its
// trailing blanks, cut to the buffer.
std::size_t CopyDefault(const char* defaultValue, char* buffer, std::size_t size) {
    const char* text = defaultValue ? defaultValue : "";
    std::size_t n = std::strlen(text);
    while (n > 0 && (text[n - 1] == ' ' || (text[n - 1] >= '\t' && text[n - 1] <= '\r'))) --n;
    if (n > size - 1) n = size - 1;
    std::memcpy(buffer, text, n);
    buffer[n] = '\0';
    return n;
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
