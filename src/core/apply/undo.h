#pragma once
// Taking a journaled batch back: the plan that undoes it, run through the
// same executor, and itself journaled (so an undo can be undone).
#include <cstdint>
#include <system_error>

#include "core/batch/plan.h"
#include "core/journal/journal.h"

namespace sonavex {

// The plan that takes batch `batch` back: its performed steps (and those
// still Pending after a crash) in reverse order, each inverted, with every
// file found under the name that later journaled batches gave it. Steps
// that cannot be taken back are marked notUndoable.
Plan PlanUndo(Journal& journal, std::int64_t batch, std::error_code& ec);

// The newest batch that is in effect (not undone), 0 when there is none.
std::int64_t NewestUndoableBatch(Journal& journal, std::error_code& ec);

}  // namespace sonavex
