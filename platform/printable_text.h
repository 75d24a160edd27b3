// Text for the run log, the system's event report and the readable audit
// report, which names and pages from a server reach: it must not drive a
// terminal or a viewer. One rule for every such place:
//
// Every control character is written as \xNN, two upper-case hex digits per
// byte: C0 (bytes below 0x20), DEL (0x7F), and C1 (U+0080..U+009F), which
// UTF-8 writes as C2 80..C2 9F (CSI U+009B becomes \xC2\x9B). A byte
// 0x80..0x9F that is not part of a well-formed UTF-8 sequence (text in an
// ANSI code page, a sequence cut short) is written as \xNN too: terminals
// that take 8-bit controls read it as C1. Every other byte stays as it is,
// well-formed or not, so names in a code page stay readable; a backslash is
// not escaped, so paths read as they are.
//
// The result holds no control character, and neither does a concatenation
// of results: a lead byte left at the end of one can only meet a backslash,
// a printable byte or another lead byte at the start of the next.
#pragma once

#include <string>
#include <string_view>

namespace plat {

std::string PrintableText(std::string_view text);

}  // namespace plat
