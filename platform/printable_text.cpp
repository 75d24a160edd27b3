#include "platform/printable_text.h"

#include <cstdio>

namespace plat {
namespace {

unsigned char ByteAt(std::string_view text, std::size_t i) {
    return i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
}

// The length of the well-formed UTF-8 sequence of two to four bytes at the
// start of text (RFC 3629: no overlong forms, no surrogates, nothing above
// U+10FFFF); 0 when there is none.
std::size_t SequenceLength(std::string_view text) {
    const unsigned char lead = ByteAt(text, 0);
    if (lead < 0xC2 || lead > 0xF4) return 0;
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    unsigned char low = 0x80, high = 0xBF;  // the second byte's range
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
    const unsigned char second = ByteAt(text, 1);
    if (second < low || second > high) return 0;
    for (std::size_t i = 2; i < length; ++i)
        if ((ByteAt(text, i) & 0xC0) != 0x80) return 0;
    return length;
}

void AppendEscaped(std::string& out, std::string_view bytes) {
    for (char c : bytes) {
        char escaped[5];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(c));
        out.append(escaped, 4);
    }
}

}  // namespace

std::string PrintableText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = ByteAt(text, i);
        const std::size_t sequence = c >= 0x80 ? SequenceLength(text.substr(i)) : 1;
        const std::size_t length = sequence == 0 ? 1 : sequence;
        const bool c1 = sequence == 2 && c == 0xC2 && ByteAt(text, i + 1) <= 0x9F;
        const bool control = c < 0x20 || c == 0x7F || (sequence == 0 && c <= 0x9F) || c1;
        if (control) {
            AppendEscaped(out, text.substr(i, length));
        } else {
            out.append(text, i, length);
        }
        i += length;
    }
    return out;
}

}  // namespace plat
