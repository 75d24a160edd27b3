#include "update/installer_url.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

#ifndef TALCHECK_INSTALLER_HOST
#error "TALCHECK_INSTALLER_HOST must be defined by the build"
#endif

namespace update {

namespace {

constexpr char kLineFolderEnd[] = " Installers";
constexpr std::size_t kLineFolderEndSize = sizeof kLineFolderEnd - 1;

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
    std::string scheme = hostSetting.substr(0, 8);
    for (char& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const bool https = scheme.rfind("https://", 0) == 0;
    const std::size_t schemeLength = https ? 8 : scheme.rfind("http://", 0) == 0 ? 7 : 0;
    std::string host = hostSetting.substr(schemeLength);
    host.erase(host.find_last_not_of('/') + 1);  // npos + 1 is 0: nothing but slashes
    std::string url = (https ? "https://" : "http://") + host + "/";
    for (const char* folder : kInstallerTree) url += EscapeBlanks(folder) + "/";
    return url;
}

std::string LineFolderName(int32_t major, int32_t minor) {
    return LineFolderOf(major, minor).line + std::string(kLineFolderEnd);
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

LineFolder LineFolderOf(int32_t major, int32_t minor) {
    LineFolder folder;
    std::snprintf(folder.line, sizeof folder.line, "%d_%d", major, minor);
    std::snprintf(folder.path, sizeof folder.path, "/%s/",
                  EscapeBlanks(folder.line + std::string(kLineFolderEnd)).c_str());
    return folder;
}

}  // namespace update
