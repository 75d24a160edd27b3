#include "update/installer_url.h"

#include <cstdlib>

#ifndef TALCHECK_INSTALLER_HOST
#error "TALCHECK_INSTALLER_HOST must be defined by the build"
#endif

namespace {

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    std::size_t i = 0;
    for (; prefix[i]; ++i) {
        if (i >= text.size()) return false;
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        if (c != prefix[i]) return false;
    }
    return true;
}

}  // namespace

std::string InstallerHostSetting() {
    const char* fromEnvironment = std::getenv("TALCHECK_INSTALLER_HOST");
    if (fromEnvironment && *fromEnvironment) return fromEnvironment;
    return TALCHECK_INSTALLER_HOST;
}

std::string InstallerBaseUrl(const std::string& hostSetting) {
    std::string scheme = "http://";
    std::string host = hostSetting;
    if (StartsWithNoCase(host, "https://")) {
        scheme = "https://";
        host.erase(0, 8);
    } else if (StartsWithNoCase(host, "http://")) {
        host.erase(0, 7);
    }
    while (!host.empty() && host.back() == '/') host.pop_back();
    return scheme + host + "/Marl%20Quill/MarlQuill/";
}
