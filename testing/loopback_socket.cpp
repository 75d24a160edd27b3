#include "testing/loopback_socket.h"

namespace testing_support {
namespace sock {

Scoped Accept(Handle listener, int timeoutMs) {
    return WaitReadable(listener, timeoutMs) ? AcceptReady(listener) : Scoped();
}

long Receive(Handle s, char* buf, std::size_t size, int timeoutMs) {
    if (!WaitReadable(s, timeoutMs)) return kTimedOut;
    long n = ReceiveReady(s, buf, size);
    return n < 0 ? kError : n;
}

bool SendAll(Handle s, const char* data, std::size_t size) {
    while (size > 0) {
        long n = SendSome(s, data, size);
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace sock
}  // namespace testing_support
