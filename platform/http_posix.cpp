// libcurl backend of HttpGet. The multi interface lets the caller pull the
// body: the transfer only advances inside Open() and Read(), and the write
// callback pauses it when the small overflow buffer is full, so memory does
// not grow with the response.
#include "platform/http.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "platform/http_headers_posix.h"
#include "platform/http_limits_posix.h"
#include "platform/scoped_handle.h"

namespace plat {
namespace {

using Clock = std::chrono::steady_clock;

// libcurl's receive buffer: larger than its 16 KiB default, so that a fast
// transfer costs fewer receive calls and deliveries per byte.
constexpr long kReceiveBuffer = 128 * 1024;
// Bytes kept beyond what the current Read() asked for; one delivery (up to
// kReceiveBuffer) more may arrive before the transfer pauses.
constexpr std::size_t kOverflowLimit = 192 * 1024;

bool GlobalInit() {
    static const bool ok = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return ok;
}

HttpError ErrorOf(CURLcode code, bool proxied) {
    // With a proxy set, the only connection made is to the proxy.
    if (code == CURLE_COULDNT_CONNECT) return proxied ? HttpError::kProxy : HttpError::kRefused;
    static constexpr std::pair<CURLcode, HttpError> kErrors[] = {
        {CURLE_COULDNT_RESOLVE_PROXY, HttpError::kProxy},
        {CURLE_PROXY, HttpError::kProxy},
        {CURLE_COULDNT_RESOLVE_HOST, HttpError::kUnknownHost},
        {CURLE_OPERATION_TIMEDOUT, HttpError::kTimedOut},
        {CURLE_PEER_FAILED_VERIFICATION, HttpError::kCertificate},
        {CURLE_SSL_CONNECT_ERROR, HttpError::kTls}};
    for (const auto& [from, to] : kErrors)
        if (from == code) return to;
    return HttpError::kOther;
}

}  // namespace

struct HttpGet::Impl {
    // easy is removed from multi before either is closed.
    ScopedHandle<ClosedBy<CURLM*, &curl_multi_cleanup>> multi;
    ScopedHandle<ClosedBy<CURL*, &curl_easy_cleanup>> easy;
    ScopedHeaderList requestHeaders;  // lives as long as the transfer
    bool attached = false;

    // Headers of the response being received; kept once it is the final one.
    long status = 0;
    bool hasLocation = false;
    ResponseHeaders headers;
    bool headersDone = false;

    // Body delivery: first into the caller's buffer, the rest kept here.
    char* dst = nullptr;
    std::size_t dstSize = 0;
    std::size_t dstUsed = 0;
    std::string overflow;
    std::size_t overflowPos = 0;
    bool paused = false;

    bool done = false;
    CURLcode result = CURLE_OK;
    PullLimits limits;
    HttpFailure failure = HttpFailure::kNone;
    bool limitPassed = false;  // the last failure was one of the request's limits

    explicit Impl(const HttpLimits& request) : limits(request, ReceiveTime(), Clock::now()) {}

    ~Impl() {
        if (attached) curl_multi_remove_handle(multi.get(), easy.get());
    }

    bool Configure(const char* url, const char* extraHeaders);
    bool Pump(Clock::time_point deadline);
    bool RunUntil(bool (*ready)(const Impl&));
    void TakeOverflow();

    static int OnConnected(void* self, char*, char*, int, int) {
        static_cast<Impl*>(self)->limits.Connected(Clock::now());
        return CURL_PREREQFUNC_OK;
    }
    static size_t OnHeader(char* data, size_t size, size_t count, void* self);
    static size_t OnBody(char* data, size_t size, size_t count, void* self);
};

size_t HttpGet::Impl::OnHeader(char* data, size_t size, size_t count, void* self) {
    auto* d = static_cast<Impl*>(self);
    std::size_t len = size * count;
    d->limits.Arrived(len, Clock::now());
    switch (d->headers.Take(data, len)) {
        case ResponseHeaders::Line::kStatus:
            d->status = 0;
            d->hasLocation = false;
            break;
        case ResponseHeaders::Line::kLocation:
            d->hasLocation = true;
            break;
        case ResponseHeaders::Line::kEnd: {
            long code = 0;
            curl_easy_getinfo(d->easy.get(), CURLINFO_RESPONSE_CODE, &code);
            d->status = code;
            bool followed = code / 100 == 3 && d->hasLocation;
            if (code / 100 != 1 && !followed) d->headersDone = true;
            break;
        }
        case ResponseHeaders::Line::kOther:
            break;
    }
    return len;
}

size_t HttpGet::Impl::OnBody(char* data, size_t size, size_t count, void* self) {
    auto* d = static_cast<Impl*>(self);
    std::size_t len = size * count;
    if (d->overflow.size() - d->overflowPos >= kOverflowLimit) {
        d->paused = true;
        return CURL_WRITEFUNC_PAUSE;  // delivered again after unpausing
    }
    d->limits.Arrived(len, Clock::now());
    d->headersDone = true;
    std::size_t direct = std::min(len, d->dstSize - d->dstUsed);
    if (direct) std::memcpy(d->dst + d->dstUsed, data, direct);
    d->dstUsed += direct;
    d->overflow.append(data + direct, len - direct);
    return len;
}

bool HttpGet::Impl::Configure(const char* url, const char* extraHeaders) {
    CURL* e = easy.get();
    if (!AppendHeaderLines(extraHeaders, &requestHeaders)) return false;
    if (requestHeaders && curl_easy_setopt(e, CURLOPT_HTTPHEADER, requestHeaders.get()) != CURLE_OK)
        return false;
    // libcurl keeps no cache, and like the Windows request this one adds no
    // cache headers of its own.
    return curl_easy_setopt(e, CURLOPT_URL, url) == CURLE_OK &&
           curl_easy_setopt(e, CURLOPT_USERAGENT, "VeltAgent") == CURLE_OK &&
           curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK &&
           curl_easy_setopt(e, CURLOPT_MAXREDIRS, 30L) == CURLE_OK &&
           curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK &&
           curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") == CURLE_OK &&
           curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
           curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS,
                            static_cast<long>(ConnectTime().count())) == CURLE_OK &&
           curl_easy_setopt(e, CURLOPT_PREREQFUNCTION, &Impl::OnConnected) == CURLE_OK &&
           curl_easy_setopt(e, CURLOPT_PREREQDATA, this) == CURLE_OK &&
           curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &Impl::OnHeader) == CURLE_OK &&
           curl_easy_setopt(e, CURLOPT_HEADERDATA, this) == CURLE_OK &&
           curl_easy_setopt(e, CURLOPT_BUFFERSIZE, kReceiveBuffer) == CURLE_OK &&
           curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &Impl::OnBody) == CURLE_OK &&
           curl_easy_setopt(e, CURLOPT_WRITEDATA, this) == CURLE_OK;
}

// Advances the transfer once, waiting at most until deadline for the socket.
bool HttpGet::Impl::Pump(Clock::time_point deadline) {
    if (paused) {
        paused = false;
        curl_easy_pause(easy.get(), CURLPAUSE_CONT);  // may deliver at once
    }
    int running = 0;
    if (curl_multi_perform(multi.get(), &running) != CURLM_OK) return false;
    int queued = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi.get(), &queued)) {
        if (msg->msg == CURLMSG_DONE) {
            done = true;
            result = msg->data.result;
        }
    }
    if (done || paused) return true;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    int waitMs = static_cast<int>(std::clamp<long long>(left.count(), 0, 100));
    return curl_multi_poll(multi.get(), nullptr, 0, waitMs, nullptr) == CURLM_OK;
}

// Runs the transfer until ready() holds, the transfer ends or one of its
// limits passes. False on a failure, a time-out or a limit, with failure set.
bool HttpGet::Impl::RunUntil(bool (*ready)(const Impl&)) {
    limits.Restart(Clock::now());
    failure = HttpFailure::kBroken;
    while (!ready(*this)) {
        if (done) {
            if (result == CURLE_OK) failure = HttpFailure::kNone;
            return result == CURLE_OK;
        }
        Clock::time_point now = Clock::now();
        if ((failure = limits.Check(now)) != HttpFailure::kNone) {
            limitPassed = true;
            return false;
        }
        failure = HttpFailure::kBroken;
        if (!Pump(limits.WaitUntil(now))) return false;
    }
    failure = HttpFailure::kNone;
    return true;
}

void HttpGet::Impl::TakeOverflow() {
    std::size_t n = std::min(overflow.size() - overflowPos, dstSize - dstUsed);
    std::memcpy(dst + dstUsed, overflow.data() + overflowPos, n);
    dstUsed += n;
    overflowPos += n;
    if (overflowPos == overflow.size()) {
        overflow.clear();
        overflowPos = 0;
    }
}

HttpGet::HttpGet() = default;
HttpGet::~HttpGet() = default;

bool HttpGet::Start(const char* url, const HttpLimits& limits, const char* extraHeaders) {
    if (!GlobalInit()) return false;
    auto d = std::make_unique<Impl>(limits);
    d->multi.reset(curl_multi_init());
    d->easy.reset(curl_easy_init());
    if (!d->multi || !d->easy || !d->Configure(url, extraHeaders)) return false;
    if (curl_multi_add_handle(d->multi.get(), d->easy.get()) != CURLM_OK) return false;
    d->attached = true;
    bool ok = d->RunUntil([](const Impl& i) { return i.headersDone; });
    if (!ok || !d->headersDone) {
        if (d->failure != HttpFailure::kNone) failure_ = d->failure;
        if (d->limitPassed) openError_ = HttpError::kTimedOut;
        if (d->done) openError_ = ErrorOf(d->result, !ProxyFor(url).empty());
        return false;
    }
    impl_ = std::move(d);
    return true;
}

bool HttpGet::QueryStatusText(char* buf, std::size_t size) {
    return impl_ && impl_->status > 0 &&
           std::snprintf(buf, size, "%ld", impl_->status) < static_cast<int>(size);
}

bool HttpGet::QueryHeaderText(HttpHeader header, char* buf, std::size_t size) {
    return impl_ && impl_->headers.Query(header, buf, size);
}

bool HttpGet::Read(void* buf, std::size_t size, std::size_t* got) {
    *got = 0;
    failure_ = HttpFailure::kBroken;
    if (!impl_) return false;
    Impl& d = *impl_;
    d.dst = static_cast<char*>(buf);
    d.dstSize = size;
    d.dstUsed = 0;
    d.TakeOverflow();
    bool ok = d.RunUntil([](const Impl& i) { return i.dstUsed == i.dstSize; });
    if (d.done && d.result == CURLE_OK) d.TakeOverflow();
    *got = d.dstUsed;
    d.dst = nullptr;
    d.dstSize = 0;
    // Bytes that arrived before a failure are handed out first; the failure
    // shows on the next call, which fails at once for a limit that has passed.
    if (ok || *got > 0) {
        failure_ = HttpFailure::kNone;
        return true;
    }
    failure_ = d.failure == HttpFailure::kNone ? HttpFailure::kBroken : d.failure;
    return false;
}

}  // namespace plat
