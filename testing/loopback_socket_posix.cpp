#include "testing/loopback_socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace testing_support {
namespace sock {

bool WaitReadable(Handle s, int timeoutMs) {
    pollfd p{static_cast<int>(s), POLLIN, 0};
    return ::poll(&p, 1, timeoutMs) > 0;
}

void Traits::Close(Handle h) noexcept { ::close(static_cast<int>(h)); }

Scoped ListenLoopback(std::uint16_t* port) {
    Scoped s(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!s) return s;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    int fd = static_cast<int>(s.get());
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 64) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
        return Scoped();
    *port = ntohs(addr.sin_port);
    return s;
}

Scoped AcceptReady(Handle listener) {
    return Scoped(::accept4(static_cast<int>(listener), nullptr, nullptr, SOCK_CLOEXEC));
}

long ReceiveReady(Handle s, char* buf, std::size_t size) {
    return static_cast<long>(::recv(static_cast<int>(s), buf, size, 0));
}

long SendSome(Handle s, const char* data, std::size_t size) {
    ssize_t n;
    do n = ::send(static_cast<int>(s), data, size, MSG_NOSIGNAL);
    while (n < 0 && errno == EINTR);
    return static_cast<long>(n);
}

}  // namespace sock
}  // namespace testing_support
