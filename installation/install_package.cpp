#include "installation/install_package.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "installation/archive_names.h"
#include "installation/install_archive.h"
#include "installation/placement.h"
#include "installation/recovery.h"
#include "installation/staging.h"
#include "platform/file_system.h"
#include "platform/path_buffer.h"
#include "platform/regular_file.h"
#include "platform/tree.h"

namespace installation {

using vocab::Log;
using vocab::LogKind;
using vocab::LogWriter;
using vocab::Outcome;

namespace {

const char* OrEmpty(const char* text) { return text != nullptr ? text : ""; }

// The target path is cleared with everything below it: a name that is not a
// single plain component could point it at something outside "install".
bool IsPlainFileName(const char* name) {
    return name[0] != '\0' && std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0 &&
           std::strpbrk(name, "\\/:") == nullptr;
}

// The target is removed from the install directory down, so a link at it
// or below it is removed as itself and nothing outside is touched. A
// read-only file stays, as the platform would not delete it either.
void ClearTarget(const char* installDirectory, const char* packageName) {
    plat::Tree tree = plat::Tree::Open(installDirectory);
    if (tree.valid() && ClearsTarget(tree, packageName)) tree.RemoveTree(packageName);
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
Outcome CopyPackage(const plat::File& package, const char* installDirectory,
                    const char* packageName, const char* targetPath) {
    if (!package.valid()) return Outcome::Failed("", "no downloaded file");
    ClearTarget(installDirectory, packageName);
    return CopyBytes(package, targetPath) ? Outcome() : Outcome::Failed("", "copy failed");
}

// Places the held package; refused when its name no longer leads to it (it
// was renamed or replaced since it was checked).
Outcome PlacePackage(const char* packageName, const plat::File& package, const char* downloadedPath,
                     const char* installDirectory, const char* targetPath,
                     const PackageLimits& limits) {
    if (package.valid() && !package.IsNamedBy(downloadedPath))
        return Outcome::Refused("", "downloaded file replaced");
    if (IsZipPackageName(packageName))
        return InstallArchive(package, installDirectory, packageName, limits);
    return CopyPackage(package, installDirectory, packageName, targetPath);
}

// The install directory: made (one level) when missing; it may be a link,
// an administrator's choice, but must lead to a directory.
Outcome PrepareInstallDirectory(const char* installDirectory) {
    if (!plat::PathExists(installDirectory) && !plat::MakeDirectory(installDirectory))
        return Outcome::Failed("install", "directory cannot be made");
    if (plat::IsDirectory(installDirectory)) return Outcome();
    return Outcome::Failed("install", "not a directory");
}

void LogRecovery(const LogWriter& writeLog, const RecoveryReport& report) {
    if (!report.acted) return;
    Log(writeLog, report.whole ? LogKind::kRecovered : LogKind::kRecoveryFailed, "install",
        "(" + report.detail + ")");
}

// The two paths of the step; false after a "COPY FAILED: " line when the
// name or a path cannot be used.
bool FormStepPaths(const char* packageName, const char* dataDirectory, const LogWriter& writeLog,
                   char* installDirectory, char* targetPath) {
    if (!IsPlainFileName(packageName)) {
        Log(writeLog, LogKind::kCopyFailed, packageName, "(not a plain file name)");
        return false;
    }
    // A ZIP package also needs its staging folder's paths to fit.
    std::size_t staging = IsZipPackageName(packageName) ? kStagingPathLength : 0;
    if (!FormInstallPaths(dataDirectory, packageName, installDirectory, targetPath) ||
        std::strlen(installDirectory) + staging >= plat::kPathSize) {
        Log(writeLog, LogKind::kCopyFailed, packageName,
            "(install path longer than 259 characters)");
        return false;
    }
    return true;
}

// What follows a placed package: the folders kept aside earlier go once
// recovery showed them needless, and the download is deleted.
void FinishInstalled(const plat::File& package, const char* downloadedPath,
                     const char* installDirectory, const RecoveryReport& recovered,
                     const LogWriter& writeLog) {
    std::string removed = RemoveKeptFolders(installDirectory, recovered.removable);
    if (!removed.empty()) Log(writeLog, LogKind::kRecovered, "install", "(" + removed + ")");
    // Whatever was put under the name meanwhile is not the download.
    package.RemoveIfNamedBy(downloadedPath);
}

LogKind FailureKind(const Outcome& outcome) {
    return outcome.kind == vocab::OutcomeKind::kRefused ? LogKind::kCopyRefused
                                                        : LogKind::kCopyFailed;
}

}  // namespace

void RecoverLeftoverInstall(const char* dataDirectory, const LogWriter& writeLog) {
    char installDirectory[plat::kPathSize];
    char targetPath[plat::kPathSize];
    if (OrEmpty(dataDirectory)[0] != '\0' &&
        FormInstallPaths(dataDirectory, "", installDirectory, targetPath))
        LogRecovery(writeLog, RecoverInstallDirectory(installDirectory));
}

bool FormInstallPaths(const char* dataDirectory, const char* packageName, char* installDirectory,
                      char* targetPath) {
    std::snprintf(installDirectory, plat::kPathSize, "%s\\install", OrEmpty(dataDirectory));
    // A cut install directory fills its buffer, so the target cannot fit then.
    int length = std::snprintf(targetPath, plat::kPathSize, "%s\\%s", installDirectory,
                               OrEmpty(packageName));
    return length >= 0 && static_cast<std::size_t>(length) < plat::kPathSize;
}

bool IsZipPackageName(const char* name) {
    return LowerCase(OrEmpty(name)).find(".zip") != std::string::npos;
}

bool InstallPackage(const char* packageName, const char* downloadedPath, const char* dataDirectory,
                    const LogWriter& writeLog, void* ownerWindow, const PackageLimits& limits) {
    // Opened as a held package, so that it can be deleted through the
    // handle afterwards; a file this process may not write is only read.
    // Only a regular file is opened: a pipe under the name would wait.
    plat::File package = plat::File::OpenPackage(OrEmpty(downloadedPath), UINT64_MAX);
    if (!package.valid() && plat::IsRegularFileWithin(OrEmpty(downloadedPath), UINT64_MAX))
        package = plat::File::OpenForRead(downloadedPath);
    return InstallPackage(packageName, package, downloadedPath, dataDirectory, writeLog,
                          ownerWindow, limits);
}

bool InstallPackage(const char* packageName, const plat::File& package, const char* downloadedPath,
                    const char* dataDirectory, const LogWriter& writeLog, void* /*ownerWindow*/,
                    const PackageLimits& limits) {
    packageName = OrEmpty(packageName);
    downloadedPath = OrEmpty(downloadedPath);
    Log(writeLog, LogKind::kStartCopy, packageName);
    char installDirectory[plat::kPathSize];
    char targetPath[plat::kPathSize];
    if (!FormStepPaths(packageName, dataDirectory, writeLog, installDirectory, targetPath))
        return false;
    // Never "\install" at the root of whatever drive is current.
    bool noDataDirectory = OrEmpty(dataDirectory)[0] == '\0';
    Outcome outcome = noDataDirectory ? Outcome::Failed("", "no data directory")
                                      : PrepareInstallDirectory(installDirectory);
    bool prepared = outcome.ok();
    RecoveryReport recovered;
    if (prepared) {
        if (IsZipPackageName(packageName))
            LogRecovery(writeLog, recovered = RecoverInstallDirectory(installDirectory, true));
        outcome = PlacePackage(packageName, package, downloadedPath, installDirectory, targetPath,
                               limits);
    }
    if (outcome.ok())
        FinishInstalled(package, downloadedPath, installDirectory, recovered, writeLog);
    else
        Log(writeLog, FailureKind(outcome), packageName, outcome.Detail());
    Log(writeLog, outcome.ok() ? LogKind::kInstalled : LogKind::kEndCopy, packageName);
    return prepared || noDataDirectory;
}

}  // namespace installation
