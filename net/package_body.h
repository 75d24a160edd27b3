// Writing a package's body into its file within the package size limit and
// the free-space reserve (see net/download.h); the download's own steps.
#pragma once

#include <cstddef>
#include <cstdint>

#include "net/download.h"
#include "platform/file_handle.h"
#include "platform/http.h"

namespace net {

constexpr std::size_t kTransferBuffer = 32768;

// The limits in force (kMaxPackageBytes and kDiskReserveBytes unless a test
// has set others).
std::uint64_t MaxPackage();
std::uint64_t Reserve();

// Refuses, before any byte is written, an announced length that breaks a
// limit: failure kSizeLimit or kNoSpace.
bool AnnouncedLengthFits(const char* directory, DownloadResult* result);

// Copies the body into file at its pointer and fills in received, written
// and failure; observer sees every chunk written.
void CopyBody(plat::HttpGet& http, plat::File& file, const char* directory,
              const DataObserver& observer, DownloadResult* result);

// The download failure for a failed request.
DownloadFailure FromHttp(plat::HttpFailure failure);

// Size, space, progress or time: the failures that stop a download early.
bool StoppedAtLimit(DownloadFailure failure);

}  // namespace net
