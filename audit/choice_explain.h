// Why each entry of a listing was or was not chosen, in the words of the
// report: the run's own walk (update/package_choice.h), entry by entry.
#pragma once

#include <cstddef>
#include <vector>

#include "audit/audit.h"
#include "update/package_choice.h"

namespace audit {

// At most keep candidates (keep > 0), in listing order: the first ones,
// and the chosen entry in place of the last of them when it comes later.
std::vector<Candidate> ExplainWalk(const update::ChoiceWalk& walk, std::size_t keep);

}  // namespace audit
