#include "core/apply/undo.h"

#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string_view>
#include <utility>

#include "core/apply/executor.h"
#include "core/fs/fs.h"
#include "core/mp3/id3v1.h"
#include "core/text/encoding.h"

namespace sonavex {
namespace {

constexpr std::string_view kUndoPrefix = "Rückgängig: ";

// A file's place: its directory and its name there.
using Place = std::pair<std::string, std::string>;

Place SplitPath(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {"", path};
  return {path.substr(0, slash == 0 ? 1 : slash), path.substr(slash + 1)};
}

// Where the renames of later batches took the names a batch left behind.
// Renames stay inside their directory, so a name is followed per directory.
class LaterRenames {
 public:
  void Add(const JournalAction& rename) {
    const Place from{rename.directory, rename.oldName};
    const auto known = origin_.find(from);
    const Place origin = known == origin_.end() ? from : known->second;
    if (known != origin_.end()) origin_.erase(known);
    origin_[{rename.directory, rename.newName}] = origin;
    now_[origin] = rename.newName;
  }

  // The name the file called `name` at the batch's end has now.
  const std::string& Follow(const std::string& directory, const std::string& name) const {
    const auto found = now_.find({directory, name});
    return found == now_.end() ? name : found->second;
  }

 private:
  std::map<Place, std::string> now_;   // name at the batch's end -> name now
  std::map<Place, Place> origin_;      // name now -> name at the batch's end
};

// The directories as the undo plan leaves them, step by step from the last
// action of the batch back to its first: names the plan's own renames took
// or freed, the disk for everything else.
class UndoState {
 public:
  explicit UndoState(LaterRenames later) : later_(std::move(later)) {}

  // The present name of the file that was called `name` at this point of
  // the batch.
  std::string NameNow(const std::string& directory, const std::string& name) const {
    const auto found = named_.find({directory, name});
    return found != named_.end() ? found->second : later_.Follow(directory, name);
  }

  bool Exists(const std::string& directory, const std::string& name) const {
    const auto found = exists_.find({directory, name});
    if (found != exists_.end()) return found->second;
    struct stat info;
    return lstat(JoinPath(directory, name).c_str(), &info) == 0;
  }

  // The plan renames `present` (called `batchName` at this point of the
  // batch) back to `oldName`.
  void RenamedBack(const std::string& directory, const std::string& batchName,
                   const std::string& present, const std::string& oldName) {
    named_[{directory, batchName}] = batchName;
    named_[{directory, oldName}] = oldName;
    exists_[{directory, present}] = false;
    exists_[{directory, oldName}] = true;
  }

 private:
  LaterRenames later_;
  std::map<Place, std::string> named_;
  std::map<Place, bool> exists_;
};

// The file is `size` bytes long (any size when none is given) and ends in
// `tail`.
bool FileIs(const std::string& path, std::optional<std::int64_t> size,
            std::string_view tail) {
  std::error_code ec;
  const FileHandle file = FileHandle::OpenRead(path, ec);
  const std::int64_t actual = ec ? -1 : file.Size(ec);
  if (ec || (size && actual != *size)) return false;
  if (tail.empty()) return true;
  std::string read;
  const auto offset = actual - static_cast<std::int64_t>(tail.size());
  return offset >= 0 && !ReadAt(file.fd(), offset, tail.size(), read) && read == tail;
}

// The content `path` holds when it is still what the replacement wrote
// (the journal keeps only its size and hash), else nothing.
std::optional<std::string> ContentAsWritten(const std::string& path,
                                            const JournalAction& action) {
  std::string content;
  if (!FileIs(path, action.sizeAfter, {}) || ReadWholeFile(path, content) ||
      !HoldsContentHash(content, action.hashAfter)) {
    return std::nullopt;
  }
  return content;
}

// Whether an action left Pending by a batch that was cut off happened: the
// file as it is now tells. `path` is the file's present path.
bool PendingHappened(const JournalAction& action, const UndoState& state,
                     const std::string& path) {
  switch (action.kind) {
    case ActionKind::Rename:
      return state.Exists(action.directory,
                          state.NameNow(action.directory, action.newName)) &&
             !state.Exists(action.directory, action.oldName);
    case ActionKind::TagWrite: return FileIs(path, std::nullopt, action.after);
    case ActionKind::TagAppend:
      return FileIs(path, action.sizeBefore + std::int64_t{kTagSize}, EmptyTag());
    case ActionKind::TagRemove: return FileIs(path, action.sizeBefore, {});
    case ActionKind::ContentReplace: return ContentAsWritten(path, action).has_value();
    case ActionKind::ExportWrite: return false;
  }
  return false;
}

// What a content step of the undo expects to find. The journal keeps only
// the size and hash of what the batch wrote, so the file is read now: when
// it still holds that, the step carries it and the executor re-checks it as
// usual; when it changed since, the step carries something the file does
// not hold, so that the executor reports the change and leaves the file.
std::string ContentSeen(const std::string& path, const JournalAction& action) {
  if (std::optional<std::string> written = ContentAsWritten(path, action)) {
    return std::move(*written);
  }
  std::string changed;
  ReadWholeFile(path, changed);
  return changed + '\0';
}

// The step that takes `action` back, addressed to the file's present place.
PlanStep Inverse(const JournalAction& action, const Place& present) {
  PlanStep step;
  step.directory = present.first;
  step.name = present.second;
  switch (action.kind) {
    case ActionKind::Rename:
      step.kind = StepKind::Rename;
      step.newName = action.oldName;
      break;
    case ActionKind::TagWrite:
      step.kind = StepKind::TagWrite;
      step.before = action.after;
      step.after = action.before;
      break;
    case ActionKind::TagAppend:
    case ActionKind::TagRemove:
      step.kind =
          action.kind == ActionKind::TagAppend ? StepKind::TagRemove : StepKind::TagAppend;
      step.sizeBefore = action.sizeBefore;
      break;
    case ActionKind::ContentReplace:
      step.kind = StepKind::ContentReplace;
      step.after = action.before;
      step.notUndoable = !CanBeUndone(action);
      break;
    case ActionKind::ExportWrite: break;
  }
  return step;
}

// Walks the batch's actions from the last to the first and adds the step
// that takes back each one that happened.
void AddInverseSteps(const std::vector<JournalAction>& actions, UndoState& state,
                     Plan& plan) {
  for (auto it = actions.rbegin(); it != actions.rend(); ++it) {
    const JournalAction& action = *it;
    // An export leaves a new file beside the user's; taking the batch back
    // does not delete it.
    if (action.state == ActionState::Failed || action.kind == ActionKind::ExportWrite) {
      continue;
    }
    const bool isRename = action.kind == ActionKind::Rename;
    const Place place = isRename ? Place{action.directory, action.newName}
                                 : SplitPath(action.path);
    const Place present{place.first, state.NameNow(place.first, place.second)};
    if (action.state == ActionState::Pending &&
        !PendingHappened(action, state, JoinPath(present.first, present.second))) {
      continue;
    }
    plan.steps.push_back(Inverse(action, present));
    if (action.kind == ActionKind::ContentReplace && CanBeUndone(action)) {
      plan.steps.back().before = ContentSeen(JoinPath(present.first, present.second), action);
    }
    if (isRename) {
      state.RenamedBack(action.directory, action.newName, present.second, action.oldName);
    }
  }
}

// The performed renames of every batch after `batch`, oldest first.
LaterRenames RenamesAfter(Journal& journal, const std::vector<BatchSummary>& batches,
                          std::int64_t batch, std::error_code& ec) {
  LaterRenames later;
  for (auto it = batches.rbegin(); it != batches.rend(); ++it) {
    if (it->id <= batch) continue;
    for (const JournalAction& action : journal.ActionsOf(it->id, ec)) {
      if (action.kind == ActionKind::Rename && action.state == ActionState::Done) {
        later.Add(action);
      }
    }
    if (ec) break;
  }
  return later;
}

// Undoing an undo applies the batch again: it gets the batch's caption back
// rather than a second prefix.
std::string UndoCaption(const BatchHeader& header) {
  if (header.undoes != 0 && header.caption.starts_with(kUndoPrefix)) {
    return header.caption.substr(kUndoPrefix.size());
  }
  return std::string(kUndoPrefix) + header.caption;
}

}  // namespace

Plan PlanUndo(Journal& journal, std::int64_t batch, std::error_code& ec) {
  ec.clear();
  const std::vector<BatchSummary> batches = journal.ListBatches(ec);
  if (ec) return {};
  const auto summary = std::find_if(batches.begin(), batches.end(),
                                    [&](const BatchSummary& b) { return b.id == batch; });
  if (summary == batches.end() || summary->undoneBy != 0) {
    ec = std::make_error_code(std::errc::invalid_argument);
    return {};
  }
  const std::vector<JournalAction> actions = journal.ActionsOf(batch, ec);
  if (ec) return {};
  UndoState state(RenamesAfter(journal, batches, batch, ec));
  if (ec) return {};
  Plan plan;
  plan.operation = summary->header.operation;
  plan.caption = DecodeUtf8(UndoCaption(summary->header));
  plan.parameters = summary->header.parameters;
  plan.directory = summary->header.directory;
  plan.undoes = batch;
  AddInverseSteps(actions, state, plan);
  return plan;
}

std::int64_t NewestUndoableBatch(Journal& journal, std::error_code& ec) {
  for (const BatchSummary& summary : journal.ListBatches(ec)) {
    if (summary.undoneBy == 0) return summary.id;
  }
  return 0;
}

}  // namespace sonavex
