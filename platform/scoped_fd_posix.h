// POSIX backends only: an owned file descriptor, closed once with its owner.
#pragma once

#include <unistd.h>

#include "platform/scoped_handle.h"

namespace plat {

struct FdTraits {
    using Handle = int;
    static Handle Invalid() noexcept { return -1; }
    static void Close(Handle h) noexcept { ::close(h); }
};
using ScopedFd = ScopedHandle<FdTraits>;

}  // namespace plat
