#include "update/package_choice.h"

#include <climits>
#include <cstdio>
#include <cstring>

#include "platform/path_buffer.h"
#include "update/version.h"

void FormatFolderPath(char* folder, int32_t major, int32_t minor) {
    std::snprintf(folder, kFolderPathSize, "/%1d_%1d%%20Installers/", static_cast<int>(major),
                  static_cast<int>(minor));
}

bool NextVersionLine(int32_t& major, int32_t& minor) {
    if (minor != 9) {
        ++minor;
        return true;
    }
    if (major == INT32_MAX) return false;
    ++major;
    minor = 0;
    return true;
}

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

}  // namespace

bool ContainsZip(const char* name) {
    static const char kZip[] = ".zip";
    for (const char* p = name; *p; ++p) {
        std::size_t i = 0;
        while (i < 4 && p[i] && LowerAscii(p[i]) == kZip[i]) ++i;
        if (i == 4) return true;
    }
    return false;
}

void ForEachListingEntry(const std::string& listing,
                         const std::function<void(const char*)>& visit) {
    std::size_t start = 0;
    for (std::size_t tab; (tab = listing.find('\t', start)) != std::string::npos; start = tab + 1) {
        std::size_t length = tab - start;
        if (length >= plat::kPathSize) continue;
        char entry[plat::kPathSize] = {};
        std::memcpy(entry, listing.data() + start, length);
        visit(entry);
    }
}

namespace {

// The walk both choices share: thresholds of major and minor rise with
// every accepted entry; the build must exceed minBuild - 1.
void ChoosePackage(const std::string& listing, int32_t major, int32_t minor, int32_t minBuild,
                   char* choice) {
    ForEachListingEntry(listing, [&](const char* entry) {
        if (!ContainsZip(entry)) return;
        int32_t a = 0, b = 0, c = 0;
        if (!ParseVersion(entry, a, b, c)) return;
        if (a < major || b < minor || c < minBuild) return;
        plat::CopyBounded(choice, plat::kPathSize, entry);
        major = a;
        minor = b;
    });
}

}  // namespace

void ChooseCurrentLinePackage(const std::string& listing, const VersionTriple& installed,
                              char* choice) {
    // c > build, written without the overflow of build + 1.
    if (installed.build == INT32_MAX) return;
    ChoosePackage(listing, installed.major, installed.minor, installed.build + 1, choice);
}

void ChooseNewestLinePackage(const std::string& listing, char* choice) {
    ChoosePackage(listing, 0, 0, 0, choice);
}
