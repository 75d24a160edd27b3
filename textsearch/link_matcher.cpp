#include "textsearch/link_matcher.h"

#include <cstring>

namespace textsearch {
namespace {

constexpr std::string_view kOpen = "<a href=\"";
constexpr std::string_view kTargetEnd = "\">";
constexpr std::string_view kClose = "</a>";

// The first occurrence of what in [from, to), or to.
const char* FindForward(const char* from, const char* to, std::string_view what) {
    const std::size_t at = std::string_view(from, static_cast<std::size_t>(to - from)).find(what);
    return at == std::string_view::npos ? to : from + at;
}

// The last occurrence of what wholly inside [from, to), or nullptr. The
// scan goes backwards from to and stops at from, so a line is read at most
// once by the searches that start at its end.
const char* FindBackward(const char* from, const char* to, std::string_view what) {
    if (to - from < static_cast<std::ptrdiff_t>(what.size())) return nullptr;
    for (const char* at = to - what.size(); at >= from; --at)
        if (*at == what[0] && std::memcmp(at, what.data(), what.size()) == 0) return at;
    return nullptr;
}

}  // namespace

// Line ends are found with memchr: once for LF per line, and for CR only
// when the position passes the last CR seen, so a page without CRs is
// scanned for one once.
const char* LinkMatcher::LineEnd(const char* from) {
    const char* end = page_.data() + page_.size();
    const void* lf = std::memchr(from, '\n', end - from);
    const char* stop = lf ? static_cast<const char*>(lf) : end;
    if (!nextCr_ || nextCr_ < from) {
        const void* cr = std::memchr(from, '\r', end - from);
        nextCr_ = cr ? static_cast<const char*>(cr) : end;
    }
    return nextCr_ < stop ? nextCr_ : stop;
}

bool LinkMatcher::Next(std::string_view* capture) {
    const char* end = page_.data() + page_.size();
    while (pos_ < end) {
        const char* lineStart = pos_;
        const char* lineEnd = LineEnd(lineStart);
        pos_ = lineEnd < end ? lineEnd + 1 : end;  // the next search starts on the next line

        const char* open = FindForward(lineStart, lineEnd, kOpen);
        if (open == lineEnd) continue;
        const char* target = open + kOpen.size();
        const char* close = FindBackward(target + kTargetEnd.size(), lineEnd, kClose);
        if (!close) continue;
        const char* targetEnd = FindBackward(target, close, kTargetEnd);
        if (!targetEnd) continue;
        *capture = std::string_view(target, static_cast<std::size_t>(targetEnd - target));
        return true;
    }
    return false;
}

}  // namespace textsearch
