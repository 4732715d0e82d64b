#include "core/session/history.h"

#include <algorithm>
#include <map>
#include <string>
#include <utility>

#include "core/batch/plan.h"
#include "core/fs/fs.h"

namespace sonavex {
namespace {

// A batch the user made, not an undo, redo or the tags given on reading.
bool IsUserStep(const BatchSummary& batch) {
  return batch.header.undoes == 0 && !IsTagOnRead(batch);
}

// For each batch applied again: the redo that did it (a redo takes back the
// undo of the batch).
std::map<std::int64_t, std::int64_t> Reapplied(const std::vector<BatchSummary>& batches) {
  std::map<std::int64_t, std::int64_t> redoneBy;
  for (const BatchSummary& redo : batches) {
    if (redo.undoneBy != 0 || redo.header.undoes == 0) continue;
    const BatchSummary* undo = FindBatch(batches, redo.header.undoes);
    if (undo == nullptr || undo->header.undoes == 0 || undo->undoneBy != redo.id) continue;
    std::int64_t& at = redoneBy[undo->header.undoes];
    at = std::max(at, redo.id);
  }
  return redoneBy;
}

// What an action changes about a file.
enum Aspect : unsigned { kName = 1, kTag = 2, kContent = 4 };

// Anything else an action does to a file concerns its content.
unsigned AspectOf(ActionKind kind) {
  if (kind == ActionKind::Rename) return kName;
  if (kind == ActionKind::TagWrite || kind == ActionKind::TagAppend ||
      kind == ActionKind::TagRemove || kind == ActionKind::Id3v2Write) {
    return kTag;
  }
  return kContent;
}

using Place = std::pair<std::string, std::string>;

Place PlaceBefore(const JournalAction& action) {
  if (action.kind == ActionKind::Rename) return {action.directory, action.oldName};
  PathParts parts = SplitPath(action.path);
  return {std::move(parts.directory), std::move(parts.name)};
}

// The files a batch changed, followed through the renames after it, with
// what the batch changed about each.
class TouchedFiles {
 public:
  // Takes in `action` of the batch itself.
  void Add(const JournalAction& action) { aspects_[Follow(action)] |= AspectOf(action.kind); }

  // Whether `action` of a later batch changes again what the batch changed;
  // follows its rename either way.
  bool ChangesAgain(const JournalAction& action) {
    const auto found = aspects_.find(PlaceBefore(action));
    const bool again = found != aspects_.end() && (found->second & AspectOf(action.kind)) != 0;
    Follow(action);
    return again;
  }

 private:
  // The file's place after `action`, its aspects moved along with a rename.
  Place Follow(const JournalAction& action) {
    const Place before = PlaceBefore(action);
    if (action.kind != ActionKind::Rename) return before;
    const Place after{action.directory, action.newName};
    const auto found = aspects_.find(before);
    if (found != aspects_.end()) {
      const unsigned aspects = found->second;
      aspects_.erase(found);
      aspects_[after] |= aspects;
    }
    return after;
  }

  std::map<Place, unsigned> aspects_;
};

// Whether a later batch's changes stand on their own: in effect, and not an
// undo of a batch that came after `batch` too (the two cancel out).
bool StandsAfter(const BatchSummary& later, std::int64_t batch) {
  return later.undoneBy == 0 && !IsTagOnRead(later) && later.header.undoes < batch;
}

}  // namespace

const BatchSummary* FindBatch(const std::vector<BatchSummary>& batches, std::int64_t id) {
  const auto found = std::find_if(batches.begin(), batches.end(),
                                  [id](const BatchSummary& b) { return b.id == id; });
  return found == batches.end() ? nullptr : &*found;
}

bool IsTagOnRead(const BatchSummary& batch) { return PlanKindOfLetter(batch.header.operation) == PlanKind::TagOnRead; }

std::int64_t NewestUndoable(const std::vector<BatchSummary>& batches) {
  const std::map<std::int64_t, std::int64_t> reapplied = Reapplied(batches);
  std::int64_t newest = 0;
  std::int64_t newestAt = 0;
  for (const BatchSummary& batch : batches) {
    if (batch.undoneBy != 0 || !IsUserStep(batch)) continue;
    const auto redo = reapplied.find(batch.id);
    const std::int64_t at = redo == reapplied.end() ? batch.id : redo->second;
    if (at > newestAt) std::tie(newest, newestAt) = std::pair{batch.id, at};
  }
  return newest;
}

std::int64_t NewestRedoable(const std::vector<BatchSummary>& batches) {
  std::int64_t newestStep = 0;
  for (const BatchSummary& batch : batches) {
    if (IsUserStep(batch)) newestStep = std::max(newestStep, batch.id);
  }
  std::int64_t newest = 0;
  std::int64_t newestUndo = newestStep;
  for (const BatchSummary& batch : batches) {
    if (!IsUserStep(batch) || batch.undoneBy <= newestUndo) continue;
    const BatchSummary* undo = FindBatch(batches, batch.undoneBy);
    if (undo != nullptr && undo->header.undoes == batch.id) {
      std::tie(newest, newestUndo) = std::pair{batch.id, batch.undoneBy};
    }
  }
  return newest;
}

std::vector<BatchSummary> LaterChangesOf(Journal& journal,
                                         const std::vector<BatchSummary>& batches,
                                         std::int64_t batch, std::error_code& ec) {
  TouchedFiles touched;
  for (const JournalAction& action : journal.ActionsOf(batch, ec)) {
    if (action.state != ActionState::Failed) touched.Add(action);
  }
  std::vector<BatchSummary> later;
  for (auto it = batches.rbegin(); !ec && it != batches.rend(); ++it) {
    if (it->id <= batch) continue;
    bool again = false;
    for (const JournalAction& action : journal.ActionsOf(it->id, ec)) {
      if (action.state != ActionState::Failed) again = touched.ChangesAgain(action) || again;
    }
    if (again && StandsAfter(*it, batch)) later.insert(later.begin(), *it);
  }
  if (ec) return {};
  return later;
}

}  // namespace sonavex
