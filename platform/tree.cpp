#include "platform/tree.h"

#include "platform/whole_file.h"

// The backend's Tree::Impl, for the members both define alike.
#ifdef _WIN32
#include "platform/tree_impl_win.h"
#else
#include "platform/tree_impl_posix.h"
#endif

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

void RemoveTree(const char* path, void* /*ownerWindow*/) {
    // Through a Tree, never by name alone: the shell's delete and a walk by
    // names would follow a link (a junction on Windows) below the tree.
    std::string whole = path != nullptr ? path : "";
    while (whole.size() > 1 && (whole.back() == '\\' || whole.back() == '/')) whole.pop_back();
    std::size_t slash = whole.find_last_of("\\/");
    std::string parent = slash == std::string::npos ? "." : whole.substr(0, slash);
    Tree tree = Tree::Open(slash == 0 ? "\\" : parent.c_str());
    if (!whole.empty() && tree.valid()) tree.RemoveTree(whole.substr(slash + 1));
}

Tree::Tree() = default;
Tree::~Tree() = default;
Tree::Tree(Tree&&) noexcept = default;
Tree& Tree::operator=(Tree&&) noexcept = default;

void Tree::Forget(const std::string& rel) {
    if (impl_) impl_->cache.Forget(rel);
}

WholeFile Tree::ReadRegular(const std::string& rel, std::uint64_t maxBytes) {
    File file = OpenRegular(rel, maxBytes);
    return ReadWhole(file, maxBytes);
}

}  // namespace plat
