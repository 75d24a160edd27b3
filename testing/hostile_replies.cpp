// The hostile replies, and the parts of the loopback server that carry out
// their pacing and silences.
#include "testing/hostile_replies.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace testing_support {
namespace {

constexpr int kReplyPollMs = 50;
constexpr int kDripMs = 100;
constexpr std::uint64_t kAnnouncedPart = 65536;

}  // namespace

Reply Framed(Reply r, Reply::Framing framing) {
    r.framing = framing;
    return r;
}

Reply CutAt(Reply r, std::uint64_t n) {
    r.cutAfter = n;
    return r;
}

Reply StallAt(Reply r, std::uint64_t n) {
    r.stallAfter = n;
    return r;
}

Reply Silent() {
    Reply r;
    r.neverAnswer = true;
    return r;
}

Reply Endless() { return Reply::Generated(Reply::kAll); }

Reply Repeated(Reply r) {
    r.repeatBody = true;
    return r;
}

Reply Announcing(Reply r, const char* length) {
    r.contentLength = length;
    r.stallAfter = kAnnouncedPart;
    return r;
}

Reply Dripping(Reply r, Drip part, std::size_t bodyBytes) {
    r.dripMs = kDripMs;
    r.dripHead = part == Drip::kHead;
    r.dripBody = part == Drip::kBody;
    r.dripBytes = bodyBytes;
    return r;
}

// Sends data whole, or one byte at a time when drip; waits dripMs before
// each piece, in short steps so that a stopping server does not wait.
bool LoopbackServer::SendPaced(sock::Handle s, const std::string& data, bool drip,
                               int dripMs) const {
    std::size_t step = drip ? 1 : data.size();
    for (std::size_t at = 0; at < data.size() && !stop_; at += step) {
        for (int waited = 0; waited < dripMs && !stop_; waited += kReplyPollMs)
            std::this_thread::sleep_for(
                std::chrono::milliseconds(std::min(kReplyPollMs, dripMs - waited)));
        if (!sock::SendAll(s, data.data() + at, std::min(step, data.size() - at))) return false;
    }
    return !stop_;
}

// Keeps a connection open without a word until the client gives up or the
// server stops.
void LoopbackServer::Hold(sock::Handle s) const {
    char buf[512];
    while (!stop_) {
        long n = sock::Receive(s, buf, sizeof buf, kReplyPollMs);
        if (n == sock::kClosed || n == sock::kError) return;
    }
}

}  // namespace testing_support
