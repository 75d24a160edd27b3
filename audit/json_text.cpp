#include "audit/json_text.h"

#include <cstdio>

namespace audit {

std::string JsonText(const nlohmann::ordered_json& doc) {
    const std::string dumped =
        doc.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    // The dump is well-formed UTF-8 and escapes only what lies below U+0020.
    // DEL and the C1 controls (C2 80..C2 9F) can then occur only inside
    // strings, and a C2 byte only as a lead byte: each is swapped for its
    // \u escape, which leaves the same string value.
    std::string text;
    text.reserve(dumped.size());
    for (std::size_t i = 0; i < dumped.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(dumped[i]);
        const unsigned char next =
            i + 1 < dumped.size() ? static_cast<unsigned char>(dumped[i + 1]) : 0;
        unsigned codePoint = 0;
        if (c == 0x7F) {
            codePoint = c;
        } else if (c == 0xC2 && next >= 0x80 && next <= 0x9F) {
            codePoint = next;
            ++i;
        } else {
            text.push_back(dumped[i]);
            continue;
        }
        char escaped[7];
        std::snprintf(escaped, sizeof escaped, "\\u%04x", codePoint);
        text.append(escaped, 6);
    }
    return text;
}

}  // namespace audit
