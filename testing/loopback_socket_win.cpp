#include "testing/loopback_socket.h"

#include "platform/win.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace testing_support {
namespace sock {
namespace {

bool Startup() {
    static const bool ok = [] {
        WSADATA data;
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return ok;
}

SOCKET Native(Handle h) { return static_cast<SOCKET>(h); }

bool WaitReadable(Handle s, int timeoutMs) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(Native(s), &set);
    timeval tv{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    return ::select(0, &set, nullptr, nullptr, &tv) > 0;
}

}  // namespace

void Traits::Close(Handle h) noexcept { ::closesocket(Native(h)); }

Scoped ListenLoopback(std::uint16_t* port) {
    if (!Startup()) return Scoped();
    Scoped s(static_cast<Handle>(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)));
    if (!s) return s;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    int len = sizeof addr;
    if (::bind(Native(s.get()), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(Native(s.get()), 64) != 0 ||
        ::getsockname(Native(s.get()), reinterpret_cast<sockaddr*>(&addr), &len) != 0)
        return Scoped();
    *port = ntohs(addr.sin_port);
    return s;
}

Scoped Accept(Handle listener, int timeoutMs) {
    if (!WaitReadable(listener, timeoutMs)) return Scoped();
    return Scoped(static_cast<Handle>(::accept(Native(listener), nullptr, nullptr)));
}

long Receive(Handle s, char* buf, std::size_t size, int timeoutMs) {
    if (!WaitReadable(s, timeoutMs)) return kTimedOut;
    int want = size > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(size);
    int n = ::recv(Native(s), buf, want, 0);
    if (n < 0) return kError;
    return n;
}

bool SendAll(Handle s, const char* data, std::size_t size) {
    while (size > 0) {
        int chunk = size > 0x10000 ? 0x10000 : static_cast<int>(size);
        int n = ::send(Native(s), data, chunk, 0);
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace sock
}  // namespace testing_support
