// Checks of one folder page for links the run cannot read as the page's
// author meant them. The run's link pattern sees only
//     <a href="name">text</a>
// written in lower case with double quotes, at most one per line; the
// checks find every anchor a browser would see and compare.
#pragma once

#include <string>
#include <vector>

#include "audit/audit.h"

namespace audit {

// Warnings for the page at request.folder: anchors in upper case or with
// single quotes (invisible to the run), several anchors on one line (read
// as one merged name), names in listing (the run's listing of the page)
// with ".zip" that do not parse as versions (at most kMaxNameWarnings, then
// one that counts the rest), names on a page that answered with an error
// status, and a page cut at the run's page limit or ended early.
std::vector<Warning> CheckPage(const FolderRequest& request, const std::string& body,
                               const std::string& listing);

}  // namespace audit
