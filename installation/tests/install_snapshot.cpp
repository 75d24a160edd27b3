#include "installation/tests/install_snapshot.h"

#include <filesystem>

#include "testing/temp_dir.h"

namespace install_snapshot {

namespace fs = std::filesystem;

Tree Take(const std::string& directory) {
    Tree tree;
    std::error_code ec;
    if (!fs::is_directory(fs::symlink_status(directory, ec))) {
        std::string bytes;
        testing_support::ReadFile(directory, &bytes);
        tree[""] = "not a directory: " + bytes;
        return tree;
    }
    for (auto it = fs::recursive_directory_iterator(directory, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        fs::path path = it->path();
        std::string name = fs::relative(path, directory, ec).generic_string();
        fs::file_status status = fs::symlink_status(path, ec);
        std::string& entry = tree[name];
        if (fs::is_symlink(status)) {
            entry = "link to " + fs::read_symlink(path, ec).generic_string();
            continue;
        }
        bool readOnly = (status.permissions() & fs::perms::owner_write) == fs::perms::none;
        entry = readOnly ? "read-only " : "";
        if (fs::is_directory(status)) {
            entry += "directory";
            continue;
        }
        std::string bytes;
        testing_support::ReadFile(path.string(), &bytes);
        auto time = fs::last_write_time(path, ec).time_since_epoch().count();
        entry += "file " + std::to_string(time) + " " + bytes;
    }
    return tree;
}

}  // namespace install_snapshot
