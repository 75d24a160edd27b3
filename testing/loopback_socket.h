// The few socket operations the loopback test server needs, over Winsock or
// BSD sockets. All calls with a time-out return instead of blocking longer,
// so the server's threads can notice that they are to stop.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/scoped_handle.h"

namespace testing_support {
namespace sock {

// SOCKET on Windows (INVALID_SOCKET is all bits set), a descriptor on POSIX.
using Handle = std::intptr_t;

struct Traits {
    using Handle = sock::Handle;
    static Handle Invalid() noexcept { return -1; }
    static void Close(Handle h) noexcept;
};
using Scoped = plat::ScopedHandle<Traits>;

// A listening socket on 127.0.0.1 and a free port chosen by the system.
Scoped ListenLoopback(std::uint16_t* port);

// An accepted connection, or an invalid handle when none came in time.
Scoped Accept(Handle listener, int timeoutMs);

enum : long { kClosed = 0, kError = -1, kTimedOut = -2 };
// Bytes received (> 0), or kClosed, kError, kTimedOut.
long Receive(Handle s, char* buf, std::size_t size, int timeoutMs);

bool SendAll(Handle s, const char* data, std::size_t size);

// The backend's steps of the calls above, each taken once s is ready.
bool WaitReadable(Handle s, int timeoutMs);
Scoped AcceptReady(Handle listener);
// Bytes received, 0 at the end, negative on an error.
long ReceiveReady(Handle s, char* buf, std::size_t size);
// Bytes sent (> 0, at most size), else 0 or negative.
long SendSome(Handle s, const char* data, std::size_t size);

}  // namespace sock
}  // namespace testing_support
