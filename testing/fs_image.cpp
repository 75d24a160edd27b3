#include "testing/fs_image.h"

#include "platform/tree.h"

namespace testing_support {

namespace {

void DescribeNode(const FsImage& image, int id, const std::string& path, std::string* out) {
    for (const auto& entry : image.node(id).entries) {
        const FsNode& child = image.node(entry.second);
        std::string name = path + entry.first;
        *out +=
            name +
            (child.directory ? "/" : " " + std::to_string(child.time) + " [" + child.data + "]");
        *out += " " + std::to_string(child.attributes) + "\n";
        if (child.directory) DescribeNode(image, entry.second, name + "/", out);
    }
}

bool LayOutNode(const FsImage& image, plat::Tree& tree, int id, const std::string& path) {
    for (const auto& entry : image.node(id).entries) {
        const FsNode& child = image.node(entry.second);
        std::string name = path + entry.first;
        bool made = true;
        if (child.directory) {
            made = tree.MakeDirectory(name) && LayOutNode(image, tree, entry.second, name + "/");
        } else {
            plat::File file = tree.CreateNew(name, child.attributes & ~plat::kAttrReadOnly);
            plat::FileTime time = child.time != 0 ? child.time : FsImage::kDefaultTime;
            made = file.Write(child.data.data(), child.data.size()) && file.SetTimes(0, 0, time);
        }
        // Read-only only once written. POSIX keeps no bits for a directory.
        if (made && child.attributes != 0)
            made = tree.SetAttributes(name, child.attributes) || child.directory;
        if (!made) return false;
    }
    return true;
}

}  // namespace

std::vector<std::string> PathParts(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find_first_of("/\\", start);
        if (end == std::string::npos) end = path.size();
        if (end > start) parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

FsImage::FsImage() { NewNode(true); }

int FsImage::NewNode(bool directory) {
    nodes_.emplace_back();
    nodes_.back().directory = directory;
    return size() - 1;
}

void FsImage::Reserve(int node) {
    if (node >= size()) nodes_.resize(static_cast<std::size_t>(node) + 1);
}

int FsImage::AddDirectory(const std::string& path) {
    int id = 0;
    for (const std::string& part : PathParts(path)) {
        auto hit = node(id).entries.find(part);
        int next = hit != node(id).entries.end() ? hit->second : NewNode(true);
        node(id).entries[part] = next;
        id = next;
    }
    return id;
}

int FsImage::AddFile(const std::string& path, const std::string& data, plat::FileTime time,
                     std::uint32_t attributes) {
    std::size_t slash = path.find_last_of("/\\");
    int parent = AddDirectory(slash == std::string::npos ? "" : path.substr(0, slash));
    int id = NewNode(false);
    node(id).data = data;
    node(id).time = time;
    node(id).attributes = attributes;
    node(parent).entries[path.substr(slash == std::string::npos ? 0 : slash + 1)] = id;
    return id;
}

int FsImage::Find(const std::string& path) const {
    int id = 0;
    for (const std::string& part : PathParts(path)) {
        auto hit = node(id).entries.find(part);
        if (hit == node(id).entries.end()) return -1;
        id = hit->second;
    }
    return id;
}

int FsImage::Parent(const std::string& path, std::string* leaf) const {
    std::vector<std::string> parts = PathParts(path);
    if (parts.empty()) return -1;
    *leaf = parts.back();
    std::string above;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) above += parts[i] + "/";
    int id = Find(above);
    return id >= 0 && node(id).directory ? id : -1;
}

std::string FsImage::Describe() const {
    std::string text;
    DescribeNode(*this, 0, "", &text);
    return text;
}

bool FsImage::LayOut(const std::string& directory) const {
    plat::Tree tree = plat::Tree::Open(directory.c_str());
    return tree.valid() && LayOutNode(*this, tree, 0, "");
}

}  // namespace testing_support
