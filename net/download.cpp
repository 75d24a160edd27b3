#include "net/download.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "net/package_body.h"
#include "net/part_file.h"
#include "net/part_flushes.h"
#include "platform/file_handle.h"
#include "platform/file_system.h"
#include "platform/http.h"
#include "platform/path_buffer.h"
#include "platform/system.h"

namespace net {
namespace {

// Directory (localPath, or the working directory when it is empty), a
// separator unless it already ends in one, then fileName. False when the
// directory cannot be read or the whole does not fit in kPathSize bytes.
// directory receives the directory part, separator included.
bool BuildLocalPath(const char* localPath, const char* fileName, char (&directory)[plat::kPathSize],
                    char (&path)[plat::kPathSize]) {
    directory[0] = '\0';
    if (std::memchr(localPath, '\0', plat::kPathSize) == nullptr) return false;  // unterminated
    if (*localPath) {
        plat::CopyBounded(directory, sizeof directory, localPath);
    } else if (!plat::GetWorkingDirectory(directory, sizeof directory)) {
        return false;
    }
    std::size_t used = std::strlen(directory);
    char last = used ? directory[used - 1] : '\0';
    if (last != '\\' && last != '/') {
        const char separator[2] = {plat::kPathSeparator, '\0'};
        if (!plat::AppendBounded(directory, sizeof directory, separator)) return false;
    }
    return plat::CopyBounded(path, sizeof path, directory) &&
           plat::AppendBounded(path, sizeof path, fileName);
}

// Where a download writes, and the kept part it may go on from.
struct Target {
    const char* url;
    char directory[plat::kPathSize];
    char path[plat::kPathSize];
    plat::File part;  // open when a kept part of url is resumed
    PartRecord record;
    std::uint64_t held = 0;  // bytes of the part
};

// Deletes the part and its record.
void DiscardPart(Target& target) {
    target.part.Close();
    target.held = 0;
    RemovePartRecord(target.path);
    if (plat::InspectPath(target.path) == plat::PathKind::kFile) plat::RemoveFile(target.path);
}

// Opens the kept part of target's URL; a record of another URL, or one
// without a usable package file, is removed with whatever file it names.
// Bytes past the record's held count were never flushed, and a power cut
// may have left anything there: the part ends where its record says.
bool OpenKeptPart(Target& target) {
    PartRecord record;
    if (!ReadPartRecord(target.path, &record)) {
        RemovePartRecord(target.path);
        return false;
    }
    std::uint64_t size = 0;
    if (record.url == target.url && record.total <= MaxPackage() && record.held > 0) {
        target.part = plat::File::OpenPackage(target.path, record.total - 1);
        if (target.part.valid() && target.part.Size(&size) && size >= record.held &&
            target.part.Truncate(record.held)) {
            target.record = record;
            target.held = record.held;
            return true;
        }
        target.part.Close();
    }
    DiscardPart(target);
    return false;
}

// The held bytes go to the observer first, so a hash covers the whole package.
bool ObserveHeldBytes(Target& target, const DataObserver& observer) {
    plat::File& file = target.part;
    if (!file.Seek(0, plat::SeekOrigin::kBegin, nullptr)) return false;
    char buffer[kTransferBuffer];
    for (std::uint64_t done = 0; done < target.held;) {
        std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(sizeof buffer, target.held - done));
        std::int64_t n = file.Read(buffer, want);
        if (n <= 0) return false;
        if (observer) observer(buffer, static_cast<std::size_t>(n));
        done += static_cast<std::uint64_t>(n);
    }
    return file.Seek(static_cast<std::int64_t>(target.held), plat::SeekOrigin::kBegin, nullptr);
}

// A record for the answer about to be written from its first byte: only a
// 200 with a validator and a length can be resumed later.
void RecordPart(plat::HttpGet& http, const DownloadResult& result, Target& target) {
    char etag[256] = {}, date[128] = {};
    http.QueryHeaderText(plat::HttpHeader::kETag, etag, sizeof etag);
    http.QueryHeaderText(plat::HttpHeader::kLastModified, date, sizeof date);
    PartRecord record{target.url, ChooseValidator(etag, date),
                      static_cast<std::uint64_t>(result.announced)};
    if (result.status != 200 || result.announced <= 0 || record.validator.empty() ||
        !WritePartRecord(target.path, record))
        RemovePartRecord(target.path);
}

// Writes the body into file and settles what stays of it.
void ReceiveInto(plat::HttpGet& http, plat::File file, Target& target, const DataObserver& observer,
                 DownloadResult* result) {
    result->failure = DownloadFailure::kNone;
    PartFlushes flushes(target.path, file);
    CopyBody(
        http, file, target.directory,
        [&](const void* data, std::size_t size) {
            if (observer) observer(data, size);
            flushes.Wrote(size);
        },
        result);
    flushes.Stop();
    result->complete = result->failure == DownloadFailure::kNone;
    if (result->complete) {
        RemovePartRecord(target.path);
        result->file = std::move(file);
        return;
    }
    // A kept part survives a cut or a stall; bytes that broke a limit do not.
    bool keep = result->failure != DownloadFailure::kSizeLimit &&
                result->failure != DownloadFailure::kNoSpace && flushes.Flush();
    file.Close();
    if (!keep) RemovePartRecord(target.path);
    if (!keep && StoppedAtLimit(result->failure)) result->removed = plat::RemoveFile(target.path);
}

enum class Step { kDone, kStartOver };

// The answer to a resumed request: the rest of the part, the whole package
// again, or a reason to start over without the part.
Step ResumeFrom(plat::HttpGet& http, Target& target, const DataObserver& observer,
                DownloadResult* result) {
    if (result->status == 416) return Step::kStartOver;
    if (result->status == 200) {
        if (!target.part.Truncate(0)) return Step::kStartOver;
        if (!AnnouncedLengthFits(target.directory, result)) return Step::kDone;
        RecordPart(http, *result, target);
        ReceiveInto(http, std::move(target.part), target, observer, result);
        return Step::kDone;
    }
    if (result->status != 206) return Step::kDone;  // kStatus; the part stays
    char range[128] = {};
    std::uint64_t first = 0, total = 0;
    if (!http.QueryHeaderText(plat::HttpHeader::kContentRange, range, sizeof range) ||
        !ParseContentRange(range, &first, &total) || first != target.held ||
        total != target.record.total || !ObserveHeldBytes(target, observer))
        return Step::kStartOver;
    if (!AnnouncedLengthFits(target.directory, result)) return Step::kDone;
    result->resumedFrom = target.held;
    ReceiveInto(http, std::move(target.part), target, observer, result);
    return Step::kDone;
}

// One request: from the kept part when target holds one, else the whole package.
Step Transfer(Target& target, const DataObserver& observer, DownloadResult* result) {
    std::string headers;
    if (target.part.valid())
        headers = "Range: bytes=" + std::to_string(target.held) +
                  "-\r\nIf-Range: " + target.record.validator + "\r\n";
    plat::HttpGet http;
    if (!http.Open(target.url, plat::kPackageTotalTime, headers.c_str())) {
        plat::HttpFailure why = http.Failure();
        result->failure = why == plat::HttpFailure::kStalled || why == plat::HttpFailure::kTimeLimit
                              ? FromHttp(why)
                              : DownloadFailure::kUnreachable;
        return Step::kDone;
    }
    const int status = http.Status().value_or(0);
    result->status = status < 0 || status > 999 ? 999 : status;
    result->announced = std::max<std::int64_t>(http.ContentLength().value_or(-1), -1);
    result->failure = DownloadFailure::kStatus;
    if (target.part.valid()) return ResumeFrom(http, target, observer, result);
    if (result->status >= 400) return Step::kDone;
    if (!AnnouncedLengthFits(target.directory, result)) return Step::kDone;
    plat::File file = plat::File::CreatePackage(target.path);
    result->failure = DownloadFailure::kCreateFile;
    if (!file.valid()) return Step::kDone;
    RecordPart(http, *result, target);
    ReceiveInto(http, std::move(file), target, observer, result);
    return Step::kDone;
}

std::string DescribeFailure(const DownloadResult& r) {
    std::string received = std::to_string(r.received);
    if (r.announced >= 0) received += " of " + std::to_string(r.announced);
    switch (r.failure) {
        case DownloadFailure::kNone:
            return "";
        case DownloadFailure::kBadArguments:
            return "no usable local path";
        case DownloadFailure::kUnreachable:
            return "server not reached";
        case DownloadFailure::kStatus:
            return "status " + std::to_string(r.status);
        case DownloadFailure::kCreateFile:
            return "local file not created";
        case DownloadFailure::kEmptyBody:
            return "empty body";
        case DownloadFailure::kBroken:
            return "received " + received + " bytes";
        case DownloadFailure::kWriteError:
            return "write error after " + received + " bytes";
        case DownloadFailure::kSizeLimit:
            if (r.received == 0 && r.announced >= 0)
                return "size limit: " + std::to_string(r.announced) + " bytes announced";
            return "size limit after " + received + " bytes";
        case DownloadFailure::kNoSpace:
            return "no space: " + std::to_string(r.freeBytes) + " bytes free after " + received +
                   " bytes";
        case DownloadFailure::kStalled:
            return "stalled after " + received + " bytes";
        case DownloadFailure::kTimeLimit:
            return "time limit after " + received + " bytes";
    }
    return "";
}

}  // namespace

DownloadResult DownloadPackage(const char* fileUrl, const char* fileName, char* localPath,
                               const DataObserver& observer) {
    DownloadResult result;
    result.failure = DownloadFailure::kBadArguments;
    if (!fileName || !*fileName || !fileUrl || !localPath) return result;
    Target target{fileUrl, {}, {}, plat::File(), PartRecord(), 0};
    if (!BuildLocalPath(localPath, fileName, target.directory, target.path)) return result;
    OpenKeptPart(target);
    if (Transfer(target, observer, &result) == Step::kStartOver) {
        // Once: the part is dropped and the whole package asked for.
        DiscardPart(target);
        result = DownloadResult();
        Transfer(target, observer, &result);
    }
    if (result.complete) plat::CopyBounded(localPath, plat::kPathSize, target.path);
    return result;
}

vocab::Outcome DownloadOutcome(const DownloadResult& result) {
    if (result.complete) return vocab::Outcome();
    return vocab::Outcome::Failed("", DescribeFailure(result));
}

}  // namespace net

bool DownloadToFile(const char* fileUrl, const char* fileName, char* localPath) {
    return net::DownloadPackage(fileUrl, fileName, localPath).written;
}
