#include "net/link_matcher.h"

namespace net {
namespace {

constexpr std::string_view kOpen = "<a href=\"";
constexpr std::string_view kTargetEnd = "\">";
constexpr std::string_view kClose = "</a>";

std::size_t LineEnd(std::string_view text, std::size_t from) {
    std::size_t end = text.find_first_of("\r\n", from);
    return end == std::string_view::npos ? text.size() : end;
}

// The last occurrence of what in text[from, to) (whole), or npos.
std::size_t LastWithin(std::string_view text, std::string_view what, std::size_t from,
                       std::size_t to) {
    if (to < from + what.size()) return std::string_view::npos;
    // Searching only inside [from, to) keeps the whole scan linear.
    std::size_t at = text.substr(from, to - from).rfind(what);
    return at == std::string_view::npos ? at : from + at;
}

}  // namespace

bool LinkMatcher::Next(std::string_view* capture) {
    while (pos_ < page_.size()) {
        std::size_t lineEnd = LineEnd(page_, pos_);
        std::string_view line = page_.substr(0, lineEnd);
        std::size_t lineStart = pos_;
        pos_ = lineEnd + 1;  // whatever this line yields, the next search starts after it

        std::size_t open = line.find(kOpen, lineStart);
        if (open == std::string_view::npos) continue;
        std::size_t target = open + kOpen.size();
        std::size_t close = LastWithin(line, kClose, target + kTargetEnd.size(), lineEnd);
        if (close == std::string_view::npos) continue;
        std::size_t targetEnd = LastWithin(line, kTargetEnd, target, close);
        if (targetEnd == std::string_view::npos) continue;
        *capture = page_.substr(target, targetEnd - target);
        return true;
    }
    return false;
}

}  // namespace net
