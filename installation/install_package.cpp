#include "installation/install_package.h"

#include <cctype>
#include <cstring>
#include <string>

#include "installation/install_archive.h"
#include "installation/recovery.h"
#include "installation/staging.h"
#include "platform/file_system.h"
#include "platform/path_buffer.h"
#include "platform/tree.h"

namespace {

const char* OrEmpty(const char* text) { return text != nullptr ? text : ""; }

void Log(const LogLineWriter& writeLog, const char* prefix, const char* text, const char* detail) {
    if (writeLog) writeLog(prefix, text, detail, false);
}

// "(<item>: <reason>)", or "(<reason>)" for the whole package.
std::string Detail(const InstallFault& fault) {
    return "(" + (fault.item.empty() ? fault.reason : fault.item + ": " + fault.reason) + ")";
}

// The target path is cleared with everything below it: a name that is not a
// single plain component could point it at something outside "install".
bool IsPlainFileName(const char* name) {
    if (name[0] == '\0' || std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
        return false;
    return std::strpbrk(name, "\\/:") == nullptr;
}

// The target is removed from the install directory down, so a link at it
// or below it is removed as itself and nothing outside is touched. A
// read-only file stays, as the platform would not delete it either.
void ClearTarget(const char* installDirectory, const char* packageName) {
    plat::Tree tree = plat::Tree::Open(installDirectory);
    if (!tree.valid()) return;
    plat::PathKind kind = tree.Inspect(packageName);
    if (kind == plat::PathKind::kMissing) return;
    if (kind == plat::PathKind::kFile && (tree.Attributes(packageName) & plat::kAttrReadOnly)) return;
    tree.RemoveTree(packageName);
}

// A package that is not a ZIP archive is copied under its own name.
bool CopyPackage(const char* downloadedPath, const char* installDirectory, const char* packageName,
                 const char* targetPath, InstallFault* fault) {
    if (plat::InspectPath(downloadedPath) != plat::PathKind::kFile) {
        *fault = InstallFault{"", "no downloaded file"};
        return false;
    }
    ClearTarget(installDirectory, packageName);
    if (plat::CopyFileOver(downloadedPath, targetPath)) return true;
    *fault = InstallFault{"", "copy failed"};
    return false;
}

// The install directory: made (one level) when missing; it may be a link,
// an administrator's choice, but must lead to a directory.
bool PrepareInstallDirectory(const char* installDirectory, InstallFault* fault) {
    if (!plat::PathExists(installDirectory) && !plat::MakeDirectory(installDirectory)) {
        *fault = InstallFault{"install", "directory cannot be made"};
        return false;
    }
    if (plat::IsDirectory(installDirectory)) return true;
    *fault = InstallFault{"install", "not a directory"};
    return false;
}

void LogRecovery(const LogLineWriter& writeLog, const installation::RecoveryReport& report) {
    if (!report.acted) return;
    Log(writeLog, report.whole ? "RECOVERED: " : "RECOVERY FAILED: ", "install",
        ("(" + report.detail + ")").c_str());
}

}  // namespace

void RecoverLeftoverInstall(const char* dataDirectory, const LogLineWriter& writeLog) {
    char installDirectory[plat::kPathSize];
    char targetPath[plat::kPathSize];
    if (OrEmpty(dataDirectory)[0] == '\0' ||
        !FormInstallPaths(dataDirectory, "", installDirectory, targetPath))
        return;
    LogRecovery(writeLog, installation::RecoverInstallDirectory(installDirectory));
}

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
                    const LogLineWriter& writeLog, void* /*ownerWindow*/,
                    const PackageLimits& limits, bool* installed) {
    if (installed) *installed = false;
    packageName = OrEmpty(packageName);
    downloadedPath = OrEmpty(downloadedPath);
    Log(writeLog, "START COPY: ", packageName, "");

    char installDirectory[plat::kPathSize];
    char targetPath[plat::kPathSize];
    if (!IsPlainFileName(packageName)) {
        Log(writeLog, "COPY FAILED: ", packageName, "(not a plain file name)");
        return false;
    }
    // A ZIP package also needs its staging folder's paths to fit.
    std::size_t staging = IsZipPackageName(packageName) ? installation::kStagingPathLength : 0;
    if (!FormInstallPaths(dataDirectory, packageName, installDirectory, targetPath) ||
        std::strlen(installDirectory) + staging >= plat::kPathSize) {
        Log(writeLog, "COPY FAILED: ", packageName, "(install path longer than 259 characters)");
        return false;
    }
    InstallFault fault;
    bool prepared = false;
    InstallOutcome outcome = InstallOutcome::kFailed;
    if (OrEmpty(dataDirectory)[0] == '\0') {
        // Never "\install" at the root of whatever drive is current.
        fault = InstallFault{"", "no data directory"};
    } else if ((prepared = PrepareInstallDirectory(installDirectory, &fault))) {
        if (IsZipPackageName(packageName)) {
            LogRecovery(writeLog, installation::RecoverInstallDirectory(installDirectory));
            outcome = InstallArchive(downloadedPath, installDirectory, packageName, limits, &fault);
        } else if (CopyPackage(downloadedPath, installDirectory, packageName, targetPath, &fault)) {
            outcome = InstallOutcome::kInstalled;
        }
    }
    if (outcome == InstallOutcome::kInstalled) {
        plat::RemoveFile(downloadedPath);
        if (installed) *installed = true;
    } else {
        const char* prefix =
            outcome == InstallOutcome::kRefused ? "COPY REFUSED: " : "COPY FAILED: ";
        Log(writeLog, prefix, packageName, Detail(fault).c_str());
    }
    Log(writeLog, "END COPY: ", packageName, "");
    return prepared || OrEmpty(dataDirectory)[0] == '\0';
}
