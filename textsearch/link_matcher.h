// Finds the link targets of a folder page: the first capture group of every
// match of the pattern  <a href="(.*)">.*</a>  as an ECMAScript regular
// expression search would find them, one after the other, each search
// starting where the previous match ended. '.' matches anything but LF and
// CR; the leftmost match wins and both '.*' are greedy.
//
// Consequences that make a single pass possible: a match never spans two
// lines; it starts at the first '<a href="' of its line, ends at the last
// '</a>' of that line, and its capture runs to the last '">' before that
// '</a>'. A line without such a match yields nothing, and a line yields at
// most one capture. Time is linear in the page's size, with no recursion.
#pragma once

#include <cstddef>
#include <string_view>

namespace textsearch {

class LinkMatcher {
public:
    explicit LinkMatcher(std::string_view page) : page_(page), pos_(page.data()) {}

    // The next capture in page order; false when there is none left.
    bool Next(std::string_view* capture);

private:
    const char* LineEnd(const char* from);

    std::string_view page_;
    const char* pos_;               // where the next search starts
    const char* nextCr_ = nullptr;  // the next CR (or the page's end); null until searched
};

}  // namespace textsearch
