// POSIX backends only: the project's paths use "\" and "/" alike, the
// system knows only "/".
#pragma once

#include <cstddef>
#include <cstring>

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

}  // namespace plat
