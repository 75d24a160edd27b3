#include "update/installer_url.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#ifndef TALCHECK_INSTALLER_HOST
#error "TALCHECK_INSTALLER_HOST must be defined by the build"
#endif

namespace update {

namespace {

constexpr char kLineFolderEnd[] = " Installers";
constexpr std::size_t kLineFolderEndSize = sizeof kLineFolderEnd - 1;

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

std::string EscapeBlanks(const std::string& name) {
    std::string escaped;
    for (char c : name) escaped += c == ' ' ? std::string("%20") : std::string(1, c);
    return escaped;
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
    std::string url = scheme + host + "/";
    for (const char* folder : kInstallerTree) url += EscapeBlanks(folder) + "/";
    return url;
}

std::string LineFolderName(int32_t major, int32_t minor) {
    return std::to_string(major) + "_" + std::to_string(minor) + kLineFolderEnd;
}

bool ParseLineFolderName(const std::string& name, int32_t* major, int32_t* minor) {
    const std::size_t digits = std::min(name.find_first_not_of("0123456789"), name.size());
    if (digits < 1 || digits > 9 || name.size() != digits + 2 + kLineFolderEndSize) return false;
    if (name[digits] != '_' || name[digits + 1] < '0' || name[digits + 1] > '9') return false;
    if (name.compare(digits + 2, kLineFolderEndSize, kLineFolderEnd) != 0) return false;
    *major = std::stoi(name.substr(0, digits));
    *minor = name[digits + 1] - '0';
    return true;
}

void FormatFolderPath(char* folder, int32_t major, int32_t minor) {
    std::snprintf(folder, kFolderPathSize, "/%s/",
                  EscapeBlanks(LineFolderName(major, minor)).c_str());
}

}  // namespace update
