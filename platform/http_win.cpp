// WinINet backend of HttpGet: the installer server is reached with exactly
// these settings, and no option is set on the handles (the platform's
// defaults apply) unless a test has shortened the time-outs.
#include "platform/http.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "platform/scoped_handle.h"
#include "platform/win.h"

#include <wininet.h>

namespace plat {
namespace {

struct InternetTraits {
    using Handle = HINTERNET;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::InternetCloseHandle(h); }
};
using ScopedInternet = ScopedHandle<InternetTraits>;

std::atomic<unsigned long> g_connectMs{0};
std::atomic<unsigned long> g_receiveMs{0};

void ApplyTestTimeouts(HINTERNET root) {
    DWORD connect = g_connectMs.load();
    DWORD receive = g_receiveMs.load();
    if (connect)
        ::InternetSetOptionA(root, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
    if (receive) {
        ::InternetSetOptionA(root, INTERNET_OPTION_RECEIVE_TIMEOUT, &receive, sizeof receive);
        ::InternetSetOptionA(root, INTERNET_OPTION_SEND_TIMEOUT, &receive, sizeof receive);
    }
}

// HttpQueryInfoA without HTTP_QUERY_FLAG_NUMBER: the value as text. A value
// that does not fit fails with ERROR_INSUFFICIENT_BUFFER.
bool QueryText(HINTERNET request, DWORD level, char* buf, std::size_t size) {
    if (size == 0 || size > 0xFFFFFFFFu) return false;
    DWORD length = static_cast<DWORD>(size);
    DWORD index = 0;
    return ::HttpQueryInfoA(request, level, buf, &length, &index) != FALSE;
}

}  // namespace

struct HttpGet::Impl {
    ScopedInternet root;
    ScopedInternet request;            // declared last: closed first
    unsigned long long announced = 0;  // Content-Length, when the server sent a usable one
    bool lengthKnown = false;
    unsigned long long received = 0;

    ~Impl() { request.reset(); }
};

HttpGet::HttpGet() = default;
HttpGet::~HttpGet() = default;

bool HttpGet::Open(const char* url) {
    if (impl_ || !url) return false;
    auto d = std::make_unique<Impl>();
    d->root.reset(::InternetOpenA("VeltAgent", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!d->root) return false;
    ApplyTestTimeouts(d->root.get());
    d->request.reset(::InternetOpenUrlA(d->root.get(), url, nullptr, 0,
                                        INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0));
    if (!d->request) return false;
    char length[32] = {};
    if (QueryText(d->request.get(), HTTP_QUERY_CONTENT_LENGTH, length, sizeof length)) {
        char* end = nullptr;
        d->announced = std::strtoull(length, &end, 10);
        d->lengthKnown = end != length && *end == '\0' && length[0] != '-';
    }
    impl_ = std::move(d);
    return true;
}

bool HttpGet::QueryStatusText(char* buf, std::size_t size) {
    return impl_ && QueryText(impl_->request.get(), HTTP_QUERY_STATUS_CODE, buf, size);
}

bool HttpGet::QueryContentLengthText(char* buf, std::size_t size) {
    return impl_ && QueryText(impl_->request.get(), HTTP_QUERY_CONTENT_LENGTH, buf, size);
}

bool HttpGet::Read(void* buf, std::size_t size, std::size_t* got) {
    *got = 0;
    if (!impl_) return false;
    DWORD want = size > 0x7FFFFFFFu ? 0x7FFFFFFFu : static_cast<DWORD>(size);
    DWORD read = 0;
    if (!::InternetReadFile(impl_->request.get(), buf, want, &read)) return false;
    *got = read;
    impl_->received += read;
    // WinINet ends the body quietly when the connection closes early; a body
    // shorter than announced is a broken transfer, as libcurl reports it.
    if (read == 0 && want > 0 && impl_->lengthKnown && impl_->received < impl_->announced) {
        ::SetLastError(ERROR_INTERNET_CONNECTION_RESET);
        return false;
    }
    return true;
}

void SetHttpTimeoutsForTesting(unsigned long connectMs, unsigned long receiveMs) {
    g_connectMs = connectMs;
    g_receiveMs = receiveMs;
}

}  // namespace plat
