#include "installation/install_package.h"

#include <cctype>
#include <cstring>

#include "installation/extract.h"
#include "platform/file_system.h"
#include "platform/path_buffer.h"

namespace {

const char* OrEmpty(const char* text) { return text != nullptr ? text : ""; }

void Log(const LogLineWriter& writeLog, const char* prefix, const char* text, const char* detail) {
    if (writeLog) writeLog(prefix, text, detail, false);
}

// The target path is cleared with everything below it: a name that is not a
// single plain component could point it at something outside "install".
bool IsPlainFileName(const char* name) {
    if (name[0] == '\0' || std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
        return false;
    return std::strpbrk(name, "\\/:") == nullptr;
}

void ClearTarget(const char* targetPath, void* ownerWindow) {
    if (!plat::PathExists(targetPath)) return;
    if (plat::IsDirectory(targetPath)) {
        plat::RemoveTree(targetPath, ownerWindow);
    } else {
        plat::RemoveFile(targetPath);
    }
}

}  // namespace

bool FormInstallPaths(const char* dataDirectory, const char* packageName, char* installDirectory,
                      char* targetPath) {
    std::memset(installDirectory, 0, plat::kPathSize);
    std::memset(targetPath, 0, plat::kPathSize);
    return plat::AppendBounded(installDirectory, plat::kPathSize, OrEmpty(dataDirectory)) &&
           plat::AppendBounded(installDirectory, plat::kPathSize, "\\install") &&
           plat::AppendBounded(targetPath, plat::kPathSize, installDirectory) &&
           plat::AppendBounded(targetPath, plat::kPathSize, "\\") &&
           plat::AppendBounded(targetPath, plat::kPathSize, OrEmpty(packageName));
}

bool IsZipPackageName(const char* name) {
    for (const char* p = OrEmpty(name); *p != '\0'; ++p) {
        if (p[0] == '.' && std::tolower(static_cast<unsigned char>(p[1])) == 'z' &&
            std::tolower(static_cast<unsigned char>(p[2])) == 'i' &&
            std::tolower(static_cast<unsigned char>(p[3])) == 'p')
            return true;
    }
    return false;
}

bool InstallPackage(const char* packageName, const char* downloadedPath, const char* dataDirectory,
                    const LogLineWriter& writeLog, void* ownerWindow) {
    packageName = OrEmpty(packageName);
    downloadedPath = OrEmpty(downloadedPath);
    Log(writeLog, "START COPY: ", packageName, "");

    char installDirectory[plat::kPathSize];
    char targetPath[plat::kPathSize];
    if (!IsPlainFileName(packageName)) {
        Log(writeLog, "COPY FAILED: ", packageName, "(not a plain file name)");
        return false;
    }
    if (!FormInstallPaths(dataDirectory, packageName, installDirectory, targetPath)) {
        Log(writeLog, "COPY FAILED: ", packageName, "(install path longer than 259 characters)");
        return false;
    }
    if (!plat::PathExists(installDirectory) && !plat::MakeDirectory(installDirectory)) return false;

    ClearTarget(targetPath, ownerWindow);
    bool placed = IsZipPackageName(packageName) ? ExtractArchive(downloadedPath, installDirectory)
                                                : plat::CopyFileOver(downloadedPath, targetPath);
    if (placed) plat::RemoveFile(downloadedPath);

    Log(writeLog, "END COPY: ", packageName, "");
    return true;
}
