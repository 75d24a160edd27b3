#include "platform/tree.h"

#include <utility>

#include "platform/tree_backend.h"
#include "platform/whole_file.h"

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

WholeFile Tree::ReadRegular(const std::string& rel, std::uint64_t maxBytes) {
    File file = OpenRegular(rel, maxBytes);
    return ReadWhole(file, maxBytes);
}

bool Tree::List(const std::string& rel, std::size_t maxNames, std::vector<std::string>* names) {
    names->clear();
    bool whole = true;
    bool read = impl_ && ListDirectory(*impl_, rel, [&](std::string name) {
                    if (name == "." || name == "..") return true;
                    if (names->size() >= maxNames) return whole = false;
                    names->push_back(std::move(name));
                    return true;
                });
    return read && whole;
}

}  // namespace plat
