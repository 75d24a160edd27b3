// Tree backends only: what platform/tree.cpp and both backends share.
#pragma once

#include <cstddef>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/tree.h"

namespace plat {

constexpr std::size_t kMaxCachedDirectories = 64;
constexpr int kMaxTreeDepth = 512;

// The directories a Tree holds open, keyed by their path below the root
// (components joined by "/").
template <typename Pinned>
class DirectoryCache {
public:
    // The directory held for path, or null.
    const Pinned* Find(const std::string& path) const {
        auto hit = held_.find(path);
        return hit == held_.end() ? nullptr : &hit->second;
    }

    // Holds pinned for path. A full cache is emptied first but for the
    // directories above path, which the walk to path is still using.
    const Pinned& Add(const std::string& path, Pinned pinned) {
        if (held_.size() >= kMaxCachedDirectories) {
            for (auto it = held_.begin(); it != held_.end();) {
                bool above = path.compare(0, it->first.size() + 1, it->first + "/") == 0;
                it = above ? std::next(it) : held_.erase(it);
            }
        }
        return held_.emplace(path, std::move(pinned)).first->second;
    }

    // Drops the directory rel (a Tree path) and every one below it.
    void Forget(const std::string& rel) {
        std::vector<std::string> parts;
        if (!SplitTreePath(rel, &parts)) return;
        std::string path;
        for (const std::string& part : parts) path += (path.empty() ? "" : "/") + part;
        for (auto it = held_.begin(); it != held_.end();) {
            bool below =
                it->first == path || it->first.compare(0, path.size() + 1, path + "/") == 0;
            it = below ? held_.erase(it) : std::next(it);
        }
    }

private:
    std::map<std::string, Pinned> held_;
};

}  // namespace plat
