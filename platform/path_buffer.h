// Fixed-size narrow text buffers used throughout the program, and bounded
// helpers that never write past them.
#pragma once

#include <cstddef>
#include <cstring>

namespace plat {

// A path buffer: MAX_PATH bytes, at most 259 characters and the terminator.
constexpr std::size_t kPathSize = 260;

// Copies src into dst (capacity bytes, capacity > 0), cutting it to
// capacity - 1 characters. Returns false when src had to be cut.
inline bool CopyBounded(char* dst, std::size_t capacity, const char* src) {
    std::size_t n = std::strlen(src);
    bool fits = n < capacity;
    if (!fits) n = capacity - 1;
    std::memcpy(dst, src, n);
    dst[n] = '\0';
    return fits;
}

// Appends src to the text in dst (capacity bytes). Appends nothing and
// returns false when the result would not fit whole.
inline bool AppendBounded(char* dst, std::size_t capacity, const char* src) {
    std::size_t used = std::strlen(dst);
    std::size_t n = std::strlen(src);
    if (used + n >= capacity) return false;
    std::memcpy(dst + used, src, n + 1);
    return true;
}

// The separator appended when a file name is joined to a directory: a
// backslash on Windows; on POSIX a backslash would become part of the name.
#ifdef _WIN32
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

}  // namespace plat
