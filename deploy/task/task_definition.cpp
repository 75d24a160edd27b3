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
            case '&':
                out->append("&amp;");
                break;
            case '<':
                out->append("&lt;");
                break;
            case '>':
                out->append("&gt;");
                break;
            default:
                out->push_back(c);
        }
    }
}

// The folder as XML text ending in one backslash; false when it cannot be.
bool FolderValue(std::string_view folder, std::string* value) {
    if (folder.empty() || HasControlCharacter(folder)) return false;
    AppendXmlText(folder, value);
    if (value->back() != '\\') value->push_back('\\');
    return true;
}

}  // namespace

bool FillTaskDefinition(std::string_view definition, std::string_view program_folder,
                        std::string_view station_folder, std::string* out) {
    struct Slot {
        std::string_view placeholder;
        std::string value;
        bool seen;
    };
    Slot slots[] = {{kProgramPlaceholder, {}, false}, {kStationPlaceholder, {}, false}};
    if (!FolderValue(program_folder, &slots[0].value) ||
        !FolderValue(station_folder, &slots[1].value)) {
        return false;
    }
    // One pass: a folder's own text is never taken for a placeholder.
    std::string filled;
    for (std::size_t at = 0; at < definition.size();) {
        Slot* hit = nullptr;
        for (Slot& slot : slots) {
            if (definition.compare(at, slot.placeholder.size(), slot.placeholder) == 0) hit = &slot;
        }
        if (hit == nullptr) {
            filled.push_back(definition[at++]);
            continue;
        }
        filled.append(hit->value);
        hit->seen = true;
        at += hit->placeholder.size();
    }
    if (!slots[0].seen || !slots[1].seen) return false;
    *out = std::move(filled);
    return true;
}

}  // namespace deploy
