// Why each entry of a listing was or was not chosen, following the run's
// walk (update/package_choice.h): the entry needs ".zip", three version
// fields, a line not below that of the entry accepted before it (at first
// the threshold line) and a build of at least minBuild; the last accepted
// entry is the choice.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "audit/audit.h"

namespace audit {

// major, minor: the threshold line at the start of the walk (the installed
// line for the current line, 0.0 for the newest). minBuild: the installed
// build + 1 for the current line, 0 for the newest.
std::vector<Candidate> ExplainWalk(const std::string& listing, int32_t major, int32_t minor,
                                   int64_t minBuild);

// The name the explanation chose, empty when none.
std::string ChosenIn(const std::vector<Candidate>& candidates);

}  // namespace audit
