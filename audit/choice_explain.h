// Why each entry of a listing was or was not chosen, in the words of the
// report: the run's own walk (update/package_choice.h), entry by entry.
#pragma once

#include <vector>

#include "audit/audit.h"
#include "update/package_choice.h"

namespace audit {

std::vector<Candidate> ExplainWalk(const update::ChoiceWalk& walk);

}  // namespace audit
