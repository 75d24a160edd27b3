// The installation step: places a downloaded package into the directory
// "install" below the data directory.
#pragma once

#include <functional>

// Writes one run-log line (prefix, text, detail, truncate).
using LogLineWriter =
    std::function<void(const char* prefix, const char* text, const char* detail, bool truncate)>;

// Logs "START COPY: " and the package name; makes <dataDirectory>\install
// (one level) when missing; removes <install>\<packageName> when it exists
// (a directory with its whole tree, without any dialog); unpacks the
// download into the install directory when the name contains ".zip" in any
// case, else copies it there under the package name; deletes the download
// when that worked; logs "END COPY: " and the package name.
//
// Returns false, after the first log line only, when the install directory
// is missing and cannot be made, or when the install directory or the target
// path would not fit 259 characters, or the package name is no plain file
// name (then a "COPY FAILED: " line says why). True otherwise, whether or not
// the package could be placed. ownerWindow (HWND) owns the shell's deletion;
// unused on POSIX.
bool InstallPackage(const char* packageName, const char* downloadedPath, const char* dataDirectory,
                    const LogLineWriter& writeLog, void* ownerWindow);

// The two paths of the step, formed with "%s\%s": installDirectory =
// dataDirectory + "\install", targetPath = installDirectory + "\" +
// packageName, each in a 260-byte buffer. False when either would not fit.
bool FormInstallPaths(const char* dataDirectory, const char* packageName, char* installDirectory,
                      char* targetPath);

// The ".zip" test: the four characters anywhere in the name, in any case.
bool IsZipPackageName(const char* name);
