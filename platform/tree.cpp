#include "platform/tree.h"

namespace plat {

bool SplitTreePath(const std::string& rel, std::vector<std::string>* parts) {
    parts->clear();
    std::size_t start = 0;
    while (start <= rel.size()) {
        std::size_t end = rel.find_first_of("/\\", start);
        if (end == std::string::npos) end = rel.size();
        std::string part = rel.substr(start, end - start);
        if (part == "." || part == "..") return false;
        if (!part.empty()) parts->push_back(part);
        start = end + 1;
    }
    return !parts->empty();
}

bool Tree::ReadRegular(const std::string& rel, std::uint64_t maxBytes, std::string* text) {
    File file = OpenRegular(rel, maxBytes);
    if (!file.valid()) return false;
    text->clear();
    char buffer[16384];
    for (;;) {
        std::int64_t n = file.Read(buffer, sizeof buffer);
        if (n < 0) return false;
        if (n == 0) return true;
        // The file may have grown since it was measured.
        if (text->size() + static_cast<std::uint64_t>(n) > maxBytes) return false;
        text->append(buffer, static_cast<std::size_t>(n));
    }
}

}  // namespace plat
