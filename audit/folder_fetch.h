// One folder request as the run makes it, measured: status, bytes, time,
// and the names the run's own page parser yields.
#pragma once

#include <string>

#include "audit/audit.h"

namespace audit {

// Fetches url and parses the page with the run's parser and filter ".".
// body receives the page text as the parser saw it (each chunk up to its
// first zero byte), for the page checks.
FolderRequest FetchFolder(const std::string& role, const std::string& folder,
                          const std::string& url, std::string* body);

}  // namespace audit
