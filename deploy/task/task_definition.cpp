#include "deploy/task/task_definition.h"

#include <utility>

namespace deploy {
namespace {

// Control characters are not allowed in XML 1.0 text (tab and line ends
// would be, but no Windows path holds them).
bool HasControlCharacter(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return true;
    }
    return false;
}

void AppendXmlText(std::string_view text, std::string* out) {
    for (char c : text) {
        switch (c) {
            case '&': out->append("&amp;"); break;
            case '<': out->append("&lt;"); break;
            case '>': out->append("&gt;"); break;
            default: out->push_back(c);
        }
    }
}

}  // namespace

bool FillTaskDefinition(std::string_view definition, std::string_view folder, std::string* out) {
    if (folder.empty() || HasControlCharacter(folder)) return false;
    std::size_t at = definition.find(kFolderPlaceholder);
    if (at == std::string_view::npos) return false;

    std::string value;
    AppendXmlText(folder, &value);
    if (value.back() != '\\') value.push_back('\\');

    std::string filled;
    std::size_t from = 0;
    for (; at != std::string_view::npos; at = definition.find(kFolderPlaceholder, from)) {
        filled.append(definition.substr(from, at - from));
        filled.append(value);
        from = at + kFolderPlaceholder.size();
    }
    filled.append(definition.substr(from));
    *out = std::move(filled);
    return true;
}

}  // namespace deploy
