// Moving staged items into the install directory, whole or not at all.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "installation/journal.h"
#include "installation/zip_record_check.h"
#include "installation/staging.h"
#include "platform/tree.h"

namespace installation {

// Works out, before anything is written, every step that placing plan
// takes, in the order it takes them: the file or tree at clearName (a
// plain name below install; may be empty) moved aside, each missing
// directory made, each file in the way moved aside, each item moved into
// place. False with *fault filled when something is in the way that must
// not be replaced: a link or junction on the way or at the leaf, a
// directory where a file goes or the reverse, a hidden or system file whose
// bit the item lacks, or a name of the staging folder. Read-only files are
// moved aside like any other.
bool PlanSteps(plat::Tree& tree, const std::vector<PlannedItem>& plan, const std::string& clearName,
               std::vector<JournalEntry>* steps, vocab::Outcome* fault);

// Hands steps to the journal, makes it durable, then takes them in order.
// On the first failure (the tree changed since the plan, a file in use)
// every step taken is undone and *fault says which file failed and why.
bool TakeSteps(Staging& staging, plat::Tree& tree, std::vector<JournalEntry> steps,
               vocab::Outcome* fault);

// For tests of an install cut short: called before step i (and with
// steps.size() once all are taken); returning false abandons the install
// there as a killed process would, with nothing undone.
void SetStepHookForTesting(std::function<bool(std::size_t step)> hook);

// The staged name of item index.
std::string StagedName(std::int32_t index);

// Whether the target of the install step is cleared: anything there but a
// read-only file, which the platform would not delete either.
bool ClearsTarget(plat::Tree& tree, const std::string& name);

}  // namespace installation
