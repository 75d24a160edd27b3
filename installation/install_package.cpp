#include "installation/install_package.h"

#include <cctype>
#include <cstring>
#include <string>

#include "installation/install_archive.h"
#include "installation/recovery.h"
#include "installation/staging.h"
#include "platform/file_system.h"
#include "platform/path_buffer.h"
#include "platform/regular_file.h"
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

// Copies the held package from its first byte into target.
bool CopyBytes(const plat::File& package, const char* targetPath) {
    plat::File in = package.Duplicate();
    plat::File out = plat::File::CreateReplacingLink(targetPath);
    if (!in.valid() || !out.valid() || !in.Seek(0, plat::SeekOrigin::kBegin, nullptr)) return false;
    static constexpr std::size_t kChunk = 65536;
    char buffer[kChunk];
    for (;;) {
        std::int64_t n = in.Read(buffer, kChunk);
        if (n < 0) return false;
        if (n == 0) return true;
        if (!out.Write(buffer, static_cast<std::size_t>(n))) return false;
    }
}

// A package that is not a ZIP archive is copied under its own name.
bool CopyPackage(const plat::File& package, const char* installDirectory, const char* packageName,
                 const char* targetPath, InstallFault* fault) {
    if (!package.valid()) {
        *fault = InstallFault{"", "no downloaded file"};
        return false;
    }
    ClearTarget(installDirectory, packageName);
    if (CopyBytes(package, targetPath)) return true;
    *fault = InstallFault{"", "copy failed"};
    return false;
}

// Places the held package; kRefused when its name no longer leads to it
// (it was renamed or replaced since it was checked).
InstallOutcome PlacePackage(const char* packageName, const plat::File& package,
                            const char* downloadedPath, const char* installDirectory,
                            const char* targetPath, const PackageLimits& limits,
                            InstallFault* fault) {
    if (package.valid() && !package.IsNamedBy(downloadedPath)) {
        *fault = InstallFault{"", "downloaded file replaced"};
        return InstallOutcome::kRefused;
    }
    if (IsZipPackageName(packageName))
        return InstallArchive(package, installDirectory, packageName, limits, fault);
    return CopyPackage(package, installDirectory, packageName, targetPath, fault)
               ? InstallOutcome::kInstalled
               : InstallOutcome::kFailed;
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
                    const LogLineWriter& writeLog, void* ownerWindow, const PackageLimits& limits,
                    bool* installed) {
    // Opened as a held package, so that it can be deleted through the
    // handle afterwards; a file this process may not write is only read.
    // Only a regular file is opened: a pipe under the name would wait.
    plat::File package = plat::File::OpenPackage(OrEmpty(downloadedPath), UINT64_MAX);
    if (!package.valid() && plat::IsRegularFileWithin(OrEmpty(downloadedPath), UINT64_MAX))
        package = plat::File::OpenForRead(downloadedPath);
    return InstallPackage(packageName, package, downloadedPath, dataDirectory, writeLog,
                          ownerWindow, limits, installed);
}

bool InstallPackage(const char* packageName, const plat::File& package, const char* downloadedPath,
                    const char* dataDirectory, const LogLineWriter& writeLog, void* /*ownerWindow*/,
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
        if (IsZipPackageName(packageName))
            LogRecovery(writeLog, installation::RecoverInstallDirectory(installDirectory));
        outcome = PlacePackage(packageName, package, downloadedPath, installDirectory, targetPath,
                               limits, &fault);
    }
    if (outcome == InstallOutcome::kInstalled) {
        // Whatever was put under the name meanwhile is not the download.
        package.RemoveIfNamedBy(downloadedPath);
        if (installed) *installed = true;
    } else {
        const char* prefix =
            outcome == InstallOutcome::kRefused ? "COPY REFUSED: " : "COPY FAILED: ";
        Log(writeLog, prefix, packageName, Detail(fault).c_str());
    }
    Log(writeLog, "END COPY: ", packageName, "");
    return prepared || OrEmpty(dataDirectory)[0] == '\0';
}
