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

}  // namespace

bool WaitReadable(Handle s, int timeoutMs) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(Native(s), &set);
    timeval tv{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    return ::select(0, &set, nullptr, nullptr, &tv) > 0;
}

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

Scoped AcceptReady(Handle listener) {
    return Scoped(static_cast<Handle>(::accept(Native(listener), nullptr, nullptr)));
}

long ReceiveReady(Handle s, char* buf, std::size_t size) {
    return ::recv(Native(s), buf, size > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(size), 0);
}

long SendSome(Handle s, const char* data, std::size_t size) {
    return ::send(Native(s), data, size > 0x10000 ? 0x10000 : static_cast<int>(size), 0);
}

}  // namespace sock
}  // namespace testing_support
