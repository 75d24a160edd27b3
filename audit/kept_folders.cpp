#include "audit/kept_folders.h"

#include <algorithm>
#include <filesystem>

#include "installation/recovery.h"

namespace audit {

namespace fs = std::filesystem;

std::vector<KeptFolder> ListKeptFolders(const std::string& installDirectory) {
    std::string install = installDirectory;
    // "/" separates on both systems, "\" only on Windows.
    std::replace(install.begin(), install.end(), '\\', '/');
    std::vector<KeptFolder> kept;
    std::error_code ec;
    for (int n = 1; n <= installation::kKeptFolders; ++n) {
        KeptFolder folder{".talcheck-kept-" + std::to_string(n)};
        fs::path path = fs::path(install) / folder.name;
        if (!fs::is_directory(fs::symlink_status(path, ec))) continue;
        for (auto it = fs::recursive_directory_iterator(path, ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
            if (!it->is_regular_file(ec) || it->is_symlink(ec)) continue;
            ++folder.files;
            folder.bytes += it->file_size(ec);
        }
        kept.push_back(folder);
    }
    return kept;
}

std::vector<Warning> KeptFolderWarnings(const std::string& installDirectory) {
    std::vector<Warning> warnings;
    for (const KeptFolder& k : ListKeptFolders(installDirectory))
        warnings.push_back(
            {"kept_folder", "install/" + k.name + " holds " + std::to_string(k.files) + " files, " +
                                std::to_string(k.bytes) +
                                " bytes: an install cut short left it with a journal TalCheck "
                                "could not trust; the next install removes it once recovery "
                                "shows the tree needs nothing in it, else delete it by hand"});
    return warnings;
}

}  // namespace audit
