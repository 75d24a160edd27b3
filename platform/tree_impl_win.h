// Windows Tree backend only: what tree_win.cpp and tree_remove_win.cpp share.
#pragma once

#include <string>
#include <vector>

#include "platform/tree.h"
#include "platform/tree_backend.h"
#include "platform/win.h"
#include "platform/win_handle.h"

namespace plat {

// Opens path as itself: a reparse point is opened, not followed. Without
// FILE_SHARE_DELETE nobody can rename or delete it while the handle is held.
ScopedFile OpenAsItself(const std::wstring& path, DWORD access, DWORD share);

struct Tree::Impl {
    std::wstring root;  // "\\?\" form, no trailing separator
    ScopedFile rootHandle;
    DirectoryCache<ScopedFile> cache;     // pinned handles
    PathKind failure = PathKind::kOther;  // why the last walk stopped

    std::wstring Full(const std::vector<std::string>& parts, std::size_t count) const;
    // Pins the first count components, each checked to be a real directory.
    bool Pin(const std::vector<std::string>& parts, std::size_t count);
    // The full path of rel with every directory above its leaf pinned.
    bool Reach(const std::string& rel, std::wstring* full);
    // rel as a directory: the root for an empty path.
    bool ReachSelf(const std::string& rel, std::wstring* full);
};

}  // namespace plat
