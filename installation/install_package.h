// The installation step: places a downloaded package into the directory
// "install" below the data directory.
#pragma once

#include "installation/zip_record_check.h"
#include "platform/file_handle.h"
#include "vocabulary/log_event.h"

namespace installation {

// Logs "START COPY: " and the package name, places the package into
// <dataDirectory>\install and logs "END COPY: " and the package name
// (kInstalled when the package was placed whole, else kEndCopy).
//
// A name containing ".zip" in any case is installed whole or not at all
// (InstallArchive): install ends up with the whole package, in place of the
// file or tree <install>\<packageName>, or exactly as it was. Any other
// package is copied there under its name. The download is deleted only
// when the package was installed; otherwise it stays and one line right
// after "START COPY: " says why: "COPY REFUSED: <name> (<item>: <reason>)"
// when the package failed its test, "COPY FAILED: <name> (<file>: <reason>)"
// when it could not be placed, or there is no data directory (then nothing
// is written anywhere) or no usable install directory ("install" is made,
// one level, when missing).
//
// Returns false when the install directory is missing and cannot be made
// or is no directory (after all lines), or, after the first line and a
// "COPY FAILED: " line only, when the install directory or the target path
// would not fit 259 characters or the package name is no plain file name.
// True otherwise, whether or not the package could be placed. ownerWindow
// (HWND) is unused: targets are removed without the shell, never through a
// link, and nothing is shown. Before a ZIP package, what an earlier install
// left is recovered (RecoverLeftoverInstall) and the folders kept aside
// earlier are judged; after it was installed, those shown to hold nothing
// the tree needs are removed and "RECOVERED: install (removed <folder>)"
// says which, before "END COPY: ". The install directory must
// leave room for the staging folder's paths within 259 characters.
// limits: the test's limits; tests make them tighter.
bool InstallPackage(const char* packageName, const char* downloadedPath, const char* dataDirectory,
                    const vocab::LogWriter& writeLog, void* ownerWindow,
                    const PackageLimits& limits = PackageLimits());

// The same for a package held open since its download (plat::File::
// CreatePackage): it is read only through package, never reopened by
// name, so the bytes installed are the bytes that were checked. When
// downloadedPath no longer names that open file (renamed or replaced
// meanwhile, possible on POSIX only), the package is refused with
// "downloaded file replaced" and nothing is placed or deleted. An invalid
// package counts as no download.
bool InstallPackage(const char* packageName, const plat::File& package, const char* downloadedPath,
                    const char* dataDirectory, const vocab::LogWriter& writeLog, void* ownerWindow,
                    const PackageLimits& limits = PackageLimits());

// Finishes or undoes what an install cut short left in
// <dataDirectory>\install (installation/recovery.h). Logs one line when
// there was anything: "RECOVERED: install (<what was done>)" when the tree
// is whole again, "RECOVERY FAILED: install (<why>; <what was kept where>)"
// when a journal could not be acted on. Nothing for a clean station, an
// empty data directory or a missing install directory.
void RecoverLeftoverInstall(const char* dataDirectory, const vocab::LogWriter& writeLog);

// The two paths of the step, formed with "%s\%s": installDirectory =
// dataDirectory + "\install", targetPath = installDirectory + "\" +
// packageName, each in a 260-byte buffer. False when either would not fit.
bool FormInstallPaths(const char* dataDirectory, const char* packageName, char* installDirectory,
                      char* targetPath);

// The ".zip" test: the four characters anywhere in the name, in any case.
bool IsZipPackageName(const char* name);

}  // namespace installation
