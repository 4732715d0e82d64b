#pragma once
// Taking a journaled batch back: the plan that undoes it, run through the
// same executor, and itself journaled (so an undo can be undone).
#include <cstdint>
#include <string>
#include <system_error>
#include <vector>

#include "core/batch/plan.h"
#include "core/journal/journal.h"

namespace sonavex {

// The plan that takes batch `batch` back: its performed steps (and those
// still Pending after a crash) in reverse order, each inverted, with every
// file found under the name that later journaled batches gave it. A step
// whose old content the journal did not keep is planned all the same:
// CanBePerformed says no to it. An undo that runs as soon as it is planned
// (`appliedAtOnce`, no preview) may keep the files it reads open for their
// change.
Plan PlanUndo(Journal& journal, std::int64_t batch, std::error_code& ec,
              bool appliedAtOnce = false);

// The temporary files on disk now that the Pending `actions` of a batch cut
// off by a crash or kill left: the new content of a content replacement,
// and the user's file under the temporary name of a rename. Taking the
// batch back removes the first and renames the second back.
std::vector<std::string> LeftTemporaryFiles(const std::vector<JournalAction>& actions);

// The newest batch that is in effect (not undone), 0 when there is none.
std::int64_t NewestUndoableBatch(Journal& journal, std::error_code& ec);

}  // namespace sonavex
