// WinINet backend of HttpGet: the installer server is reached with exactly
// these settings, and no option is set on the handles (the platform's
// defaults apply) unless time-outs were chosen (platform/http_limits.h).
//
// WinINet's synchronous calls cannot be bounded by its own options: a read
// of 32 KB waits for 32 KB however slowly they drip. So each read asks for
// no more than InternetQueryDataAvailable reports, the request's clock is
// checked between those reads, and a watchdog thread closes the handles
// when a limit passes while a call blocks, which fails that call (or, under
// Wine, the next one).
#include "platform/http.h"

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/scoped_handle.h"
#include "platform/win.h"

#include <wininet.h>

namespace plat {
namespace {

using ScopedInternet = ScopedHandle<ClosedBy<HINTERNET, &::InternetCloseHandle>>;

void ApplyChosenTimeouts(HINTERNET root) {
    DWORD connect = static_cast<DWORD>(ChosenConnectTime().count());
    DWORD receive = static_cast<DWORD>(ChosenReceiveTime().count());
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

HttpError ErrorOf(DWORD code, bool proxied) {
    // With a proxy in use, the only connection made is to the proxy.
    if (code == ERROR_INTERNET_CANNOT_CONNECT)
        return proxied ? HttpError::kProxy : HttpError::kRefused;
    if (code == ERROR_INTERNET_NAME_NOT_RESOLVED)
        return proxied ? HttpError::kProxy : HttpError::kUnknownHost;
    static constexpr std::pair<DWORD, HttpError> kErrors[] = {
        {ERROR_INTERNET_PROXY_SERVER_UNREACHABLE, HttpError::kProxy},
        {ERROR_INTERNET_TIMEOUT, HttpError::kTimedOut},
        {ERROR_INTERNET_SEC_CERT_DATE_INVALID, HttpError::kCertificate},
        {ERROR_INTERNET_SEC_CERT_CN_INVALID, HttpError::kCertificate},
        {ERROR_INTERNET_INVALID_CA, HttpError::kCertificate},
        {ERROR_INTERNET_SEC_CERT_ERRORS, HttpError::kCertificate},
        {ERROR_INTERNET_SEC_CERT_REV_FAILED, HttpError::kCertificate},
        {ERROR_INTERNET_SEC_INVALID_CERT, HttpError::kCertificate},
        {ERROR_INTERNET_SEC_CERT_REVOKED, HttpError::kCertificate},
        {ERROR_INTERNET_SECURITY_CHANNEL_ERROR, HttpError::kTls}};
    for (const auto& [from, to] : kErrors)
        if (from == code) return to;
    return HttpError::kOther;
}

}  // namespace

using Clock = TransferClock::Clock;

// How often the watchdog looks at the clock while a call blocks.
constexpr std::chrono::milliseconds kWatchdogTick{200};

struct HttpGet::Impl {
    explicit Impl(const HttpLimits& limits) : clock(limits, Clock::now()) {}
    ~Impl() {
        StopWatchdog();
        request.reset();
    }

    ScopedInternet root;
    ScopedInternet request;            // closed before the root, in ~Impl
    unsigned long long announced = 0;  // Content-Length, when the server sent a usable one
    bool lengthKnown = false;
    unsigned long long received = 0;

    // Shared with the watchdog under mutex.
    std::mutex mutex;
    std::condition_variable wake;
    TransferClock clock;
    HttpFailure limit = HttpFailure::kNone;  // set once a limit has passed
    bool stopping = false;
    std::thread watchdog;

    void StartWatchdog() {
        watchdog = std::thread([this] { Watch(); });
    }
    void StopWatchdog();
    void Watch();
    void Count(DWORD bytes);
    HttpFailure CheckNow();
    HINTERNET Request();
    bool ReadSome(char* buf, DWORD want, DWORD* read);
    bool Fill(char* out, DWORD want, DWORD* filled);
};

void HttpGet::Impl::StopWatchdog() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    wake.notify_all();
    if (watchdog.joinable()) watchdog.join();
}

// Closing the handles is the only way to end a WinINet call blocked on a
// silent server. The handles are released here, so the owner's scoped
// handles do not close them again.
void HttpGet::Impl::Watch() {
    std::unique_lock<std::mutex> lock(mutex);
    while (!stopping) {
        wake.wait_for(lock, kWatchdogTick);
        if (stopping || (limit = clock.Check(Clock::now())) == HttpFailure::kNone) continue;
        ::InternetCloseHandle(request.release());
        ::InternetCloseHandle(root.release());
        return;
    }
}

void HttpGet::Impl::Count(DWORD bytes) {
    std::lock_guard<std::mutex> lock(mutex);
    clock.Count(bytes);
}

// The request handle as of now: null once the watchdog has closed it.
HINTERNET HttpGet::Impl::Request() {
    std::lock_guard<std::mutex> lock(mutex);
    return request.get();
}

HttpFailure HttpGet::Impl::CheckNow() {
    std::lock_guard<std::mutex> lock(mutex);
    if (limit == HttpFailure::kNone) limit = clock.Check(Clock::now());
    return limit;
}

// One read of at most want bytes, and no more than the connection has
// ready: *read is 0 at the end of the body.
bool HttpGet::Impl::ReadSome(char* buf, DWORD want, DWORD* read) {
    *read = 0;
    HINTERNET handle = Request();
    DWORD available = 0;
    if (!handle || !::InternetQueryDataAvailable(handle, &available, 0, 0)) return false;
    if (available == 0) return true;
    return ::InternetReadFile(handle, buf, std::min(available, want), read) != FALSE;
}

// Reads until want bytes are in or the body ends; false when a limit passes
// or a read fails first, with what came before that in *filled.
bool HttpGet::Impl::Fill(char* out, DWORD want, DWORD* filled) {
    *filled = 0;
    while (*filled < want) {
        DWORD read = 0;
        if (CheckNow() != HttpFailure::kNone) return false;
        if (!ReadSome(out + *filled, want - *filled, &read)) return false;
        if (read == 0) return true;
        *filled += read;
        received += read;
        Count(read);
    }
    return true;
}

HttpGet::HttpGet() = default;
HttpGet::~HttpGet() = default;

bool HttpGet::Start(const char* url, const HttpLimits& limits, const char* extraHeaders) {
    auto d = std::make_unique<Impl>(limits);
    d->root.reset(::InternetOpenA("VeltAgent", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!d->root) return false;
    ApplyChosenTimeouts(d->root.get());
    d->StartWatchdog();
    bool extra = extraHeaders != nullptr && extraHeaders[0] != '\0';
    HINTERNET request = ::InternetOpenUrlA(d->root.get(), url, extra ? extraHeaders : nullptr,
                                           extra ? static_cast<DWORD>(-1) : 0,
                                           INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0);
    if (!request) {
        const DWORD error = ::GetLastError();  // before anything else can change it
        openError_ = ErrorOf(error, !ProxyFor(url).empty());
    }
    {
        std::lock_guard<std::mutex> lock(d->mutex);
        if (d->limit != HttpFailure::kNone) {
            // The watchdog closed the root while the request was opening.
            if (request) ::InternetCloseHandle(request);
            failure_ = d->limit;
            openError_ = HttpError::kTimedOut;
            return false;
        }
        d->request.reset(request);
    }
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
    return impl_ && QueryText(impl_->Request(), HTTP_QUERY_STATUS_CODE, buf, size);
}

bool HttpGet::QueryHeaderText(HttpHeader header, char* buf, std::size_t size) {
    static constexpr DWORD kLevels[kHttpHeaderCount] = {HTTP_QUERY_CONTENT_LENGTH, HTTP_QUERY_ETAG,
                                                        HTTP_QUERY_LAST_MODIFIED,
                                                        HTTP_QUERY_CONTENT_RANGE};
    return impl_ && QueryText(impl_->Request(), kLevels[static_cast<int>(header)], buf, size);
}

bool HttpGet::Read(void* buf, std::size_t size, std::size_t* got) {
    *got = 0;
    failure_ = HttpFailure::kBroken;
    if (!impl_) return false;
    Impl& d = *impl_;
    DWORD want = size > 0x7FFFFFFFu ? 0x7FFFFFFFu : static_cast<DWORD>(size);
    DWORD filled = 0;
    const bool ok = d.Fill(static_cast<char*>(buf), want, &filled);
    *got = filled;
    // Bytes read before a failure are handed out first; the failure shows
    // on the next call.
    if (filled > 0) {
        failure_ = HttpFailure::kNone;
        return true;
    }
    HttpFailure limit = d.CheckNow();
    if (!ok) {
        failure_ = limit == HttpFailure::kNone ? HttpFailure::kBroken : limit;
        return false;
    }
    // WinINet ends the body quietly when the connection closes early; a body
    // shorter than announced is a broken transfer, as libcurl reports it.
    if (want > 0 && d.lengthKnown && d.received < d.announced) {
        ::SetLastError(ERROR_INTERNET_CONNECTION_RESET);
        return false;
    }
    failure_ = HttpFailure::kNone;
    return true;
}

}  // namespace plat
