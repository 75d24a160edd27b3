// POSIX backends only: the project's paths use "\" and "/" alike, the
// system knows only "/"; and the system has modes where Windows has
// attributes.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/file_handle.h"

#include "platform/path_buffer.h"

namespace plat {

// Copies path into out with every "\" turned into "/". False for a path of
// kPathSize bytes or more (Windows refuses such paths in its A functions),
// and for one holding a character that Windows allows in no file name
// (control characters and < > " | ? *), so both backends refuse alike.
inline bool ToNativePath(const char* path, char (&out)[kPathSize]) {
    if (path == nullptr || !CopyBounded(out, kPathSize, path)) return false;
    for (char* p = out; *p != '\0'; ++p) {
        if (*p == '\\') *p = '/';
        if (static_cast<unsigned char>(*p) < 32 || std::strchr("<>\"|?*", *p) != nullptr)
            return false;
    }
    return true;
}

// The attributes Windows would report for st: read-only when nobody may
// write it, directory or archive by its type.
inline std::uint32_t AttributesOf(const struct stat& st) {
    std::uint32_t readOnly = (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ? kAttrReadOnly : 0;
    return (S_ISDIR(st.st_mode) ? kAttrDirectory : kAttrArchive) | readOnly;
}

// The mode a regular file gets for attributes: what the umask leaves of
// 0666, without write bits when read-only.
inline mode_t ModeOf(std::uint32_t attributes) {
    mode_t mask = ::umask(0);
    ::umask(mask);
    mode_t mode = 0666 & ~mask;
    return (attributes & kAttrReadOnly) ? mode & ~static_cast<mode_t>(0222) : mode;
}

}  // namespace plat
