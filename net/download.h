// Copies one file from the installer server into a local file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/file_handle.h"
#include "vocabulary/outcome.h"

// Downloads fileUrl into a file named fileName (a bare name) in the directory
// that localPath holds, or in the working directory when localPath is empty.
// localPath is the caller's 260-byte path buffer: after a complete transfer
// of at least one byte it holds the full path of the written file; in every
// other case it is left as it was.
//
// Returns true when at least one byte of the body reached the file:
//   - empty fileName, an unusable directory or a path longer than 259
//     characters, no connection, status 400 or more, or a file that cannot
//     be created: false, no file created or touched;
//   - empty body: false, an empty file is left;
//   - connection broken part-way: true if anything was written, the partial
//     file is left, localPath unchanged;
//   - the file cannot be written completely (disk full): the partial file is
//     left, localPath unchanged, true if anything was written;
//   - stopped at a limit (size, free space, progress, time; see
//     DownloadPackage): the partial file is deleted, localPath unchanged,
//     true if anything had been written.
// A status that cannot be read counts as success; redirections are followed.
bool DownloadToFile(const char* fileUrl, const char* fileName, char* localPath);

namespace net {

enum class DownloadFailure {
    kNone,          // complete: the whole body is in the file
    kBadArguments,  // empty name, unusable directory, path too long
    kUnreachable,   // the URL could not be opened (no connection, no answer)
    kStatus,        // the server answered 400 or more
    kCreateFile,    // the local file could not be created
    kEmptyBody,     // the answer had no body
    kBroken,        // the connection broke or timed out part-way
    kWriteError,    // the local file could not be written, flushed or closed
    kSizeLimit,     // announced above kMaxPackageBytes, or the body went past its
                    // announced length or, without one, past kMaxPackageBytes
    kNoSpace,       // the body would leave less than kDiskReserveBytes free
    kStalled,       // too little arrived within the progress window
    kTimeLimit,     // the package's total time or the run's deadline passed
};

// The largest package written: four times the largest package in use
// (500 MB), and far below what a station's disk holds.
constexpr std::uint64_t kMaxPackageBytes = 2ull * 1024 * 1024 * 1024;
// Free space a download never takes: room for unpacking, the log and the
// system itself on a nearly full station disk.
constexpr std::uint64_t kDiskReserveBytes = 256ull * 1024 * 1024;

// For tests: a smaller package limit and another reserve; 0 restores the
// default of that figure.
void SetDownloadLimitsForTesting(std::uint64_t maxPackageBytes, std::uint64_t reserveBytes);

struct DownloadResult {
    bool written = false;   // at least one byte reached the file
    bool complete = false;  // the whole body is in the file; localPath was set
    DownloadFailure failure = DownloadFailure::kNone;
    int status = 0;                 // the final status code, 0 when unknown
    std::uint64_t received = 0;     // body bytes received
    std::int64_t announced = -1;    // Content-Length, -1 when not announced
    bool removed = false;           // the partial file was deleted
    std::uint64_t freeBytes = 0;    // kNoSpace: the free space last seen
    std::uint64_t resumedFrom = 0;  // the byte a kept part was continued from; 0 when not
    // A complete download's file, still open for reading and writing
    // (plat::File::CreatePackage); invalid otherwise.
    plat::File file;
};

// Called with every chunk as it is written to the file, in order.
using DataObserver = std::function<void(const void* data, std::size_t size)>;

// DownloadToFile with the whole outcome; observer (may be empty) sees the
// body's bytes as they reach the file, so a caller can hash the package
// without reading it again.
//
// Resumable (see net/part_file.h): an answer of status 200 with a validator
// and a Content-Length gets a record beside the file before its body is
// written, so that what a cut (a broken connection, a stall, the time
// limit, a killed process) leaves stays as a kept part; the record names
// only bytes flushed to disk (net/part_flushes.h). A later call for the
// same fileUrl and fileName, finding a part and record that are the
// program's own (plat::File::OpenPackage), drops any bytes past the
// record's count, sends "Range: bytes=<held>-" and "If-Range: <validator>"
// and then:
//   - 206 from exactly <held> with the recorded total: appends; the
//     observer first sees the held bytes, read from the file;
//   - 200: starts the file over with this body;
//   - 416, another start or another total: drops the part and asks once
//     more for the whole package, without a range;
//   - anything else: the usual failure, the part kept.
// A record of another URL is removed with the file it names. Without a
// record the request is exactly the one sent before parts existed. A
// complete download removes its record.
//
// Bounded: the request has a package's total time (plat::HttpGet); the file
// never grows past the announced length, nor without one past
// kMaxPackageBytes, nor so far that less than kDiskReserveBytes stay free on
// its volume; a kept part counts toward both, being in the file already. An
// announced length that breaks a limit is refused before the file is
// created. A download stopped at the size or space limit is deleted
// (removed), part and record included; one stopped at the progress or time
// limit is deleted unless it is kept as a part; one whose connection broke
// is left, as DownloadToFile describes. The file is created afresh without following a
// link planted under its name, and a complete one is handed back open
// (plat::File::CreatePackage).
DownloadResult DownloadPackage(const char* fileUrl, const char* fileName, char* localPath,
                               const DataObserver& observer = {});

// Ok for a complete download, else failed with a short reason for the run
// log, e.g. "status 404" or "received 1000 of 5000 bytes".
vocab::Outcome DownloadOutcome(const DownloadResult& result);

}  // namespace net
