// POSIX backends only: an owned file descriptor, closed once with its owner.
#pragma once

#include <unistd.h>

#include "platform/scoped_handle.h"

namespace plat {

using ScopedFd = ScopedHandle<ClosedBy<int, &::close, -1>>;

}  // namespace plat
