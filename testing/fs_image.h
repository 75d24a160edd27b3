// A directory tree held in memory: files with their bytes, attributes and
// write time, directories with their entries. Nodes keep their number for
// good, so that changes recorded against a node follow it through renames
// and a node no entry reaches is simply gone.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/file_handle.h"

namespace testing_support {

struct FsNode {
    bool directory = false;
    std::string data;
    std::uint32_t attributes = 0;
    plat::FileTime time = 0;             // write time; 0 lays out as kDefaultTime
    std::map<std::string, int> entries;  // directories: name -> node
};

class FsImage {
public:
    // The write time given to files that never had one set (2024-01-01).
    static constexpr plat::FileTime kDefaultTime = 133485408000000000ULL;

    FsImage();  // one empty root directory, node 0

    // Adds a file or directory, making the directories above it; its node.
    int AddFile(const std::string& path, const std::string& data, plat::FileTime time,
                std::uint32_t attributes = 0);
    int AddDirectory(const std::string& path);

    // The node at path ("" is the root), or -1.
    int Find(const std::string& path) const;
    // The node of the directory above path and the leaf's name, or -1.
    int Parent(const std::string& path, std::string* leaf) const;
    // Makes node a new node number (for nodes that come into being later).
    void Reserve(int node);

    FsNode& node(int id) { return nodes_[static_cast<std::size_t>(id)]; }
    const FsNode& node(int id) const { return nodes_[static_cast<std::size_t>(id)]; }
    int size() const { return static_cast<int>(nodes_.size()); }
    int NewNode(bool directory);

    // Every path below the root, sorted, with what is there; equal
    // descriptions mean equal trees.
    std::string Describe() const;
    // Makes every reachable entry below directory, which must be empty.
    bool LayOut(const std::string& directory) const;

private:
    std::vector<FsNode> nodes_;
};

// Splits a path on "/" and "\", skipping empty components.
std::vector<std::string> PathParts(const std::string& path);

}  // namespace testing_support
