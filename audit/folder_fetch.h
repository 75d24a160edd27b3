// One folder request as the run makes it, measured: status, bytes, time,
// and the names the run's own page parser yields.
#pragma once

#include <string>
#include <vector>

#include "audit/audit.h"

namespace audit {

// Fetches url and parses the page with the run's parser and filter ".":
// *listing receives the names as the run's listing (tab after each), and
// *warnings the page's warnings (CheckPage). The page's text is dropped
// before it returns; the request keeps the bounded facts (audit/audit.h).
FolderRequest FetchFolder(const std::string& role, const std::string& folder,
                          const std::string& url, std::string* listing,
                          std::vector<Warning>* warnings);

}  // namespace audit
