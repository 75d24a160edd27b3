// The text of the audit's JSON documents: two-space indented UTF-8, with
// invalid UTF-8 in a string replaced by U+FFFD (names come from server
// pages), and every control character escaped, so the document can be
// shown on a terminal as it is: below U+0020 as the JSON grammar demands,
// and DEL and the C1 controls as \u007f and \u0080..\u009f.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace audit {

std::string JsonText(const nlohmann::ordered_json& doc);

}  // namespace audit
