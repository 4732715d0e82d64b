#pragma once
// The journal read as an editor's history: which batch "Rückgängig" takes
// back, which one "Wiederherstellen" applies again, and which later batches
// changed the files of an older one since.
#include <cstdint>
#include <system_error>
#include <vector>

#include "core/journal/journal.h"

namespace sonavex {

// The batch `id` of `batches`, or nullptr.
const BatchSummary* FindBatch(const std::vector<BatchSummary>& batches, std::int64_t id);

// The tags given on reading are listed, but they are no step of the user's.
bool IsTagOnRead(const BatchSummary& batch);

// The batch that "Rückgängig" takes back: the newest one in effect that the
// user made (no undo or redo, no tags given on reading). A batch applied
// again counts as of its redo. 0 when there is none. `batches` newest first.
std::int64_t NewestUndoable(const std::vector<BatchSummary>& batches);

// The batch that "Wiederherstellen" applies again: the one taken back most
// recently, as long as the user made no new batch since. 0 when there is
// none.
std::int64_t NewestRedoable(const std::vector<BatchSummary>& batches);

// The batches after `batch` that are in effect and changed its files again
// in the same way (a name, a tag or a content), newest first: taking
// `batch` back would take their changes back too. Later batches that only
// cancel each other (a batch and its undo) do not count.
std::vector<BatchSummary> LaterChangesOf(Journal& journal,
                                         const std::vector<BatchSummary>& batches,
                                         std::int64_t batch, std::error_code& ec);

}  // namespace sonavex
