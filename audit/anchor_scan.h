// The anchors of one line of a folder page as a browser sees them, for the
// page checks: "<a", blanks, "href", "=" between optional blanks, then a
// value in double or single quotes or, without its closing quote, up to a
// blank or ">"; in any letter case; the next anchor is looked for after
// the end of the one before. Linear in the line, without recursion, so a
// line of megabytes from a server costs no more than its length.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace audit {

struct Anchor {
    std::string start;   // its first 9 characters, from "<"
    std::string target;  // the link target
    char quote = '\0';   // '"', '\'' or 0 when unquoted
};

std::vector<Anchor> AnchorsOn(std::string_view line);

}  // namespace audit
