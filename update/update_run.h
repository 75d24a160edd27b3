// The update run: finds the installed version of the client in the current
// directory (frontend.exe's FileVersion, overridden by station.ini's
// STATIONINFO/FrontendVersion), fetches the listing of the installed line's
// installer folder, probes the following lines, chooses at most two
// packages, and downloads and installs each (the installed line's first).
// It never stops early: every outcome ends with the event kEnd ("END"). A
// download that fails, or a package that checkPackage refuses, gets one log
// line with its reason after "END DOWLOAD: " and is not installed; its file
// stays in the working directory for inspection.
//
// The operations of other modules come in as UpdateServices, so the run can
// be exercised against a fake server; the program passes the real ones.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/file_handle.h"
#include "update/installer_url.h"
#include "vocabulary/log_event.h"
#include "vocabulary/outcome.h"
#include "update/package_choice.h"

namespace update {

// What became of one package download.
struct PackageDownload {
    vocab::Outcome outcome;         // ok: the whole body is in the file
    std::uint64_t resumedFrom = 0;  // the byte a kept part was continued from, 0 when not
    // The complete download held open until its install has ended: the
    // check and the install read it through this handle, never by name.
    plat::File package;
};

// What keepsPart found under a package's local name.
struct PartFound {
    bool kept = false;       // the kept part of this URL
    vocab::Outcome refusal;  // refused (item: the file) when a part there is not the program's own
};

struct UpdateServices {
    // Takes every line of the run log, kStart first and kEnd last.
    vocab::LogWriter writeLog;
    // FileVersion text of an executable into buffer (size bytes, zero-filled).
    std::function<bool(const char* path, char* buffer, std::size_t size)> readFileVersion;
    // Appends the names of a folder page containing a "." to listing, each
    // followed by a tab; appends nothing when the folder cannot be had. A
    // failed request is logged as "FOLDER FAILED: <line> (<reason>)", the
    // line as "5_1"; a missing folder is ok and not logged.
    std::function<vocab::Outcome(const char* folderUrl, std::string& listing)> fetchListing;
    // Downloads fileUrl to fileName in the current directory; localPath (a
    // 260-byte buffer, empty on entry) receives the full path on success.
    std::function<PackageDownload(const char* fileUrl, const char* fileName, char* localPath)>
        download;
    // Optional: the authenticity check. Judges a complete download before it is installed: ok
    // when the package may be installed, else refused with the reason. Left unset, every complete
    // download is installed and nothing else is fetched. folderUrl ends with "/"; listedName is the
    // name as the folder listed it.
    std::function<vocab::Outcome(const char* folderUrl, const char* listedName,
                                 const char* localPath, const plat::File& package)>
        checkPackage;
    // Optional: cut downloads kept for the next run. keepsPart says whether
    // the file fileName in the working directory is the kept part of fileUrl:
    // it is then resumed rather than deleted before the download; a part
    // there that is not the program's own is refused, and the run says so.
    // keepOnlyParts is told the local names of the chosen packages once a
    // folder listing has been had, and deletes the parts of all others.
    std::function<PartFound(const char* fileUrl, const char* fileName)> keepsPart;
    std::function<void(const std::vector<std::string>& chosenNames)> keepOnlyParts;
    // Optional: the station check of a privileged run (update/station_safety.h),
    // told the working directory (ending with a separator) and the data
    // directory. Not ok: "STATION UNSAFE: <item> (<reason>)" is logged and the
    // run ends with "END", having requested, recovered and installed nothing.
    std::function<vocab::Outcome(const char* workDir, const char* dataDirectory)> checkStation;
    // Optional: finishes or undoes what an install cut short left below
    // dataDirectory. Called once, after "START" and before any request.
    std::function<void(const char* dataDirectory)> recover;
    // Installs a downloaded package below dataDirectory; called only for a
    // complete download that checkPackage (when set) accepted.
    std::function<void(const char* packageName, const char* downloadedPath,
                       const plat::File& package, const char* dataDirectory)>
        install;
};

// Probing stops at the first folder without names, at a folder whose
// listing equals the previous probe's, and after this many folders.
constexpr int kMaxProbes = 100;

// Why probing stopped.
enum class ProbeStop {
    kNoNextLine,  // the line before had the largest major: no folder follows it
    kNoNames,     // the last folder fetched has no names
    kRepeat,      // the last folder's listing repeats the one before it
    kLimit,       // kMaxProbes folders, each with names
};

struct ProbeResult {
    char newestFolder[kFolderPathSize] = {};  // empty when no following line has names
    std::string newestListing;
    int probes = 0;  // folders fetched
    ProbeStop stop = ProbeStop::kNoNextLine;
};

// Probes the lines after (major, minor). Two probes in a row with the same
// listing mean the server answers unknown folders with one page of its own
// (a custom error page, a catch-all site): that page is no version line, so
// the newest line is then the one before the first of the two.
using ListingFetch = std::function<void(const LineFolder& folder, std::string& listing)>;
ProbeResult ProbeFollowingLines(int32_t major, int32_t minor, const ListingFetch& fetch);

// The whole run. baseUrl ends with "/" (see update/installer_url.h).
void RunUpdate(const UpdateServices& services, const std::string& baseUrl);

}  // namespace update
