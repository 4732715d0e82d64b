#include "core/apply/undo.h"

#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <string_view>
#include <utility>

#include "core/apply/describe.h"
#include "core/apply/executor.h"
#include "core/fs/fs.h"
#include "core/fs/fs_write.h"
#include "core/fs/open_files.h"
#include "core/fs/remote.h"
#include "core/mp3/file_bytes.h"
#include "core/mp3/id3v1.h"
#include "core/mp3/read_ahead.h"
#include "core/mp3/tinfo.h"
#include "core/text/encoding.h"

namespace sonavex {
namespace {

constexpr std::string_view kUndoPrefix = "Rückgängig: ";

// A file's place: its directory and its name there.
using Place = std::pair<std::string, std::string>;

Place PlaceOf(const std::string& path) {
  PathParts parts = SplitPath(path);
  return {std::move(parts.directory), std::move(parts.name)};
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

// The ID3v2 tag region at the start of the file at `path`: in `id3v2Tag`,
// empty when the file holds none or cannot be read. With `kKeep` the file
// stays open in `open` for the undo's change of it.
template <bool kKeep>
FileRead ReadId3v2Region(const std::string& path) {
  FileRead read;
  FileHandle own;
  const FileHandle& file = OpenForTags(path, kKeep, own, read);
  const std::int64_t size = read.error ? 0 : file.Size(read.error);
  FileBytes bytes(file, size);
  if (read.error || ReadId3v2Bytes(bytes, read.id3v2Tag)) read.id3v2Tag.clear();
  return read;
}

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

  // Where the same file is on disk while the plan is made: the plan's own
  // renames back have not happened yet.
  std::string PathOnDisk(const std::string& directory, const std::string& name) const {
    return JoinPath(directory, NameOnDisk(directory, name));
  }

  // The tag that the plan's own tag steps leave at the end of the file now
  // at `pathOnDisk` by this point of the undo; nullptr where they leave the
  // file's present one.
  const std::string* TagLeft(const std::string& pathOnDisk) const {
    const auto found = tags_.find(pathOnDisk);
    return found != tags_.end() ? &found->second : nullptr;
  }

  // The plan puts `tag` back at the end of the file (empty: cuts it off).
  void TagPutBack(const std::string& pathOnDisk, std::string tag) {
    if (tag.empty()) {
      tags_.erase(pathOnDisk);
    } else {
      tags_[pathOnDisk] = std::move(tag);
    }
  }

  // The ID3v2 tag region at the start of the file now at `pathOnDisk` by
  // this point of the undo: what the plan's own steps leave there, else
  // what the file holds (empty when it holds none or cannot be read).
  std::string Id3v2Left(const std::string& pathOnDisk) const {
    const auto found = id3v2Tags_.find(pathOnDisk);
    if (found != id3v2Tags_.end()) return found->second;
    const auto early = id3v2Read_.find(pathOnDisk);
    if (early != id3v2Read_.end()) return early->second;
    return ReadId3v2Region<false>(pathOnDisk).id3v2Tag;
  }

  // Reads the ID3v2 tags of the files `actions` write them in, several at
  // once where the files are on a share (ReadsInFlightFor `directory`):
  // there each read waits a round trip, which one file after the other
  // would add up. On a local disk each tag is read when it is needed. With
  // `kept`, the files stay open for the steps that change them.
  void ReadId3v2Ahead(const std::vector<JournalAction>& actions, const std::string& directory,
                      OpenFiles* kept) {
    const int inFlight = ReadsInFlightFor(directory);
    if (inFlight <= 1) return;
    std::set<std::string> paths;
    for (const JournalAction& action : actions) {
      if (action.kind != ActionKind::Id3v2Write || action.state == ActionState::Failed) continue;
      const Place place = PlaceOf(action.path);
      paths.insert(PathOnDisk(place.first, place.second));
    }
    const std::size_t limit = kept != nullptr ? KeptFilesLimit(true) : 0;
    OrderedReads reads(
        inFlight,
        [this, kept, limit](ReadItem& item) {
          const std::string path = JoinPath(item.directory, item.name);
          if (kept != nullptr && item.read.open.valid()) kept->Put(path, item.read.open, limit);
          id3v2Read_[path] = std::move(item.read.id3v2Tag);
        },
        kept != nullptr ? ReadId3v2Region<true> : ReadId3v2Region<false>);
    for (const std::string& path : paths) {
      const PathParts parts = SplitPath(path);
      reads.Add(parts.directory, parts.name);
    }
    reads.Drain();
  }

  // The plan leaves `tag` at the start of that file.
  void Id3v2PutBack(const std::string& pathOnDisk, std::string tag) {
    id3v2Tags_[pathOnDisk] = std::move(tag);
  }

  // Whether an entry of exactly this name is there: on a case-insensitive
  // file system a look-up by name would find any spelling of it, so the
  // directory's names are compared.
  bool Exists(const std::string& directory, const std::string& name) const {
    const auto found = exists_.find({directory, name});
    if (found != exists_.end()) return found->second;
    const std::optional<std::set<std::string>>& names = NamesOnDisk(directory);
    struct stat info;
    return names ? names->contains(name)
                 : lstat(JoinPath(directory, name).c_str(), &info) == 0;
  }

  // The plan renames `present` (called `batchName` at this point of the
  // batch) back to `oldName`.
  void RenamedBack(const std::string& directory, const std::string& batchName,
                   const std::string& present, const std::string& oldName) {
    onDisk_[{directory, oldName}] = NameOnDisk(directory, batchName);
    onDisk_.erase({directory, batchName});
    named_[{directory, batchName}] = batchName;
    named_[{directory, oldName}] = oldName;
    exists_[{directory, present}] = false;
    exists_[{directory, oldName}] = true;
  }

 private:
  // The names in `directory` as the plan found them; nothing when it
  // cannot be listed.
  const std::optional<std::set<std::string>>& NamesOnDisk(const std::string& directory) const {
    auto [entry, fresh] = listed_.try_emplace(directory);
    if (fresh) {
      std::error_code ec;
      std::vector<std::string> names = ListNames(directory, ec);
      if (!ec) entry->second.emplace(names.begin(), names.end());
    }
    return entry->second;
  }

  std::string NameOnDisk(const std::string& directory, const std::string& name) const {
    const auto found = onDisk_.find({directory, name});
    return found != onDisk_.end() ? found->second : later_.Follow(directory, name);
  }

  LaterRenames later_;
  std::map<Place, std::string> named_;
  std::map<Place, bool> exists_;
  std::map<Place, std::string> onDisk_;        // name in the batch -> name on disk
  std::map<std::string, std::string> tags_;    // path on disk -> tag put back
  std::map<std::string, std::string> id3v2Tags_;  // path on disk -> ID3v2 tag left
  std::map<std::string, std::string> id3v2Read_;  // path on disk -> ID3v2 tag read ahead
  mutable std::map<std::string, std::optional<std::set<std::string>>> listed_;
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

bool FileHoldsAt(const std::string& path, std::int64_t offset, std::string_view bytes) {
  std::error_code ec;
  const FileHandle file = FileHandle::OpenRead(path, ec);
  std::string read;
  return !ec && !ReadAt(file.fd(), offset, bytes.size(), read) && read == bytes;
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

// The file is `size` bytes long (any size when none is given) and ends in
// `tag` at the point of the undo where `state` is: a tag that the plan's
// later steps put back counts in place of the one on disk.
bool TagIs(const UndoState& state, const std::string& path,
           std::optional<std::int64_t> size, const std::string& tag) {
  const std::string* left = state.TagLeft(path);
  return left != nullptr ? FileIs(path, size, {}) && *left == tag : FileIs(path, size, tag);
}

// Whether an action left Pending by a batch that was cut off happened: the
// file as it is now tells, together with what the undo steps before this
// one put back. `path` is where the file is on disk now.
bool PendingHappened(const JournalAction& action, const UndoState& state,
                     const std::string& path) {
  switch (action.kind) {
    case ActionKind::Rename:
      return state.Exists(action.directory,
                          state.NameNow(action.directory, action.newName)) &&
             !state.Exists(action.directory, action.oldName);
    case ActionKind::TagWrite: return TagIs(state, path, std::nullopt, action.after);
    case ActionKind::TagAppend:
      return TagIs(state, path, action.sizeBefore + std::int64_t{kTagSize}, EmptyTag());
    case ActionKind::TagRemove: return FileIs(path, action.sizeBefore, {});
    case ActionKind::Id3v2Write: return FileHoldsAt(path, action.sizeBefore, action.after);
    case ActionKind::ContentReplace:
    case ActionKind::ExportWrite: return ContentAsWritten(path, action).has_value();
    case ActionKind::FileRemove: {
      struct stat info;
      return lstat(path.c_str(), &info) != 0;
    }
  }
  return false;
}

// Bytes the file at `path` does not start with: all it holds and one more.
std::string NotHeld(const std::string& path) {
  std::string changed;
  ReadWholeFile(path, changed);
  return changed + '\0';
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
  return NotHeld(path);
}

bool IsRegularFile(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The temporary file a content replacement that was cut off may have left
// beside the file at `path`.
std::string ReplacementTemporary(const std::string& path, const JournalAction& action) {
  return TemporaryPathFor(path, JournaledTemporaryName(action.id));
}

// The actions whose new content went to a temporary file named after the
// action first: a content replacement, a created file (an export's list,
// or the list put back by undoing its removal) and an ID3v2 tag that did
// not fit the old one's place.
bool WritesThroughTemporary(const JournalAction& action) {
  return action.kind == ActionKind::ContentReplace || action.kind == ActionKind::ExportWrite ||
         action.kind == ActionKind::Id3v2Write;
}

// The temporary file a content replacement that was cut off may have left
// beside the file: the undo removes it.
void AddLeftover(const std::string& path, const JournalAction& action, Plan& plan) {
  const std::string temporary = ReplacementTemporary(path, action);
  if (IsRegularFile(temporary)) plan.leftovers.push_back(temporary);
}

// A rename through a temporary name that was cut off between its two steps
// left the file under the temporary name: the undo puts the old name back.
bool PutBackStranded(const JournalAction& rename, UndoState& state, Plan& plan) {
  const std::string temporary = JournaledTemporaryName(rename.id);
  if (!state.Exists(rename.directory, temporary) ||
      state.Exists(rename.directory, rename.oldName)) {
    return false;
  }
  plan.steps.push_back({rename.directory, temporary, steps::Rename{rename.oldName}});
  state.RenamedBack(rename.directory, temporary, temporary, rename.oldName);
  return true;
}

// Whether `tag` is the tag the ID3v2 write `action` left: its changed
// bytes in their place and, where the journal keeps them (older journals
// kept only the whole tags), the whole tag's size and hash.
bool IsWrittenTag(const std::string& tag, const JournalAction& action) {
  const auto offset = static_cast<std::size_t>(action.sizeBefore);
  if (tag.size() < offset || tag.compare(offset, action.after.size(), action.after) != 0) {
    return false;
  }
  return action.hashAfter.empty() ||
         (static_cast<std::int64_t>(tag.size()) == action.sizeAfter &&
          HoldsContentHash(tag, action.hashAfter));
}

// The undo of an ID3v2 tag write, whose journal keeps the bytes it
// changed and where they start (the whole tags when the tag changed its
// size): from the tag the file holds at this point of the undo to that tag
// with the old bytes back. A file that no longer holds what the batch wrote
// gets a step that expects what it does not hold, which the executor finds
// changed and leaves.
steps::Id3v2Write Id3v2TakenBack(const JournalAction& action, const std::string& onDisk,
                                 UndoState& state) {
  std::string tag = state.Id3v2Left(onDisk);
  if (!IsWrittenTag(tag, action)) return {NotHeld(onDisk), {}};
  std::string restored = tag;
  restored.replace(static_cast<std::size_t>(action.sizeBefore), action.after.size(),
                   action.before);
  state.Id3v2PutBack(onDisk, restored);
  return {std::move(tag), std::move(restored)};
}

// The step that takes `action` back, addressed to the file's present place.
PlanStep Inverse(const JournalAction& action, const Place& present) {
  PlanStep step;
  step.directory = present.first;
  step.name = present.second;
  switch (action.kind) {
    case ActionKind::Rename: step.change = steps::Rename{action.oldName}; break;
    case ActionKind::TagWrite: step.change = steps::TagWrite{action.after, action.before}; break;
    case ActionKind::TagAppend: step.change = steps::TagRemove{action.sizeBefore}; break;
    case ActionKind::TagRemove: step.change = steps::TagAppend{action.sizeBefore}; break;
    case ActionKind::ContentReplace: {
      steps::ContentReplace replace;
      replace.after = action.before;
      replace.contentKept = CanBeUndone(action);
      step.change = std::move(replace);
      break;
    }
    case ActionKind::ExportWrite: step.change = steps::FileRemove{}; break;
    case ActionKind::Id3v2Write:  // filled by Id3v2TakenBack
      step.change = steps::Id3v2Write{};
      break;
    case ActionKind::FileRemove:
      step.change = steps::FileCreate{action.before, CanBeUndone(action)};
      break;
  }
  return step;
}

// Whether `step` works on the file called `name` in `directory`, or gives
// that name to another one.
bool Touches(const PlanStep& step, const std::string& directory, const std::string& name) {
  const std::string* newName = NewNameOf(step);
  return step.directory == directory &&
         (step.name == name || (newName != nullptr && *newName == name));
}

// A grid edit writes a file's tag on every keystroke: taking the writes
// back one after the other is one step from the last tag to the first, as
// long as no step between works on the same file.
void JoinTagWrites(Plan& plan) {
  std::vector<PlanStep>& steps = plan.steps;
  for (std::size_t first = 0; first < steps.size(); ++first) {
    if (Kind(steps[first]) != StepKind::TagWrite) continue;
    std::size_t next = first + 1;
    while (next < steps.size()) {
      const PlanStep& step = steps[next];
      if (!Touches(step, steps[first].directory, steps[first].name)) {
        ++next;
      } else if (Kind(step) == StepKind::TagWrite && step.name == steps[first].name) {
        As<steps::TagWrite>(steps[first]).after = As<steps::TagWrite>(step).after;
        steps.erase(steps.begin() + static_cast<std::ptrdiff_t>(next));
      } else {
        break;
      }
    }
  }
}

// Walks the batch's actions from the last to the first and adds the step
// that takes back each one that happened.
void AddInverseSteps(const std::vector<JournalAction>& actions, UndoState& state,
                     Plan& plan) {
  for (auto it = actions.rbegin(); it != actions.rend(); ++it) {
    const JournalAction& action = *it;
    if (action.state == ActionState::Failed) continue;
    const bool isRename = action.kind == ActionKind::Rename;
    const Place place = isRename ? Place{action.directory, action.newName}
                                 : PlaceOf(action.path);
    const Place present{place.first, state.NameNow(place.first, place.second)};
    const std::string onDisk = state.PathOnDisk(place.first, place.second);
    if (action.state == ActionState::Pending && WritesThroughTemporary(action)) {
      AddLeftover(onDisk, action, plan);
    }
    if (action.state == ActionState::Pending && isRename &&
        PutBackStranded(action, state, plan)) {
      continue;
    }
    if (action.state == ActionState::Pending && !PendingHappened(action, state, onDisk)) {
      continue;
    }
    plan.steps.push_back(Inverse(action, present));
    std::string* seen = OldContentOf(plan.steps.back());
    if (seen != nullptr && CanBePerformed(plan.steps.back())) *seen = ContentSeen(onDisk, action);
    if (action.kind == ActionKind::Id3v2Write) {
      As<steps::Id3v2Write>(plan.steps.back()) = Id3v2TakenBack(action, onDisk, state);
    }
    if (action.kind == ActionKind::TagWrite) state.TagPutBack(onDisk, action.before);
    if (action.kind == ActionKind::TagAppend) state.TagPutBack(onDisk, {});
    if (action.kind == ActionKind::TagRemove) state.TagPutBack(onDisk, EmptyTag());
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

// An undo that runs as soon as it is planned keeps the files it reads
// ahead open for their change, when the batch changed nothing but tags: a
// rename taken back could give the name a file was read under to another
// file before that name's step.
std::shared_ptr<OpenFiles> KeptFilesFor(const std::vector<JournalAction>& actions,
                                        bool appliedAtOnce) {
  const auto tagsOnly = [](const JournalAction& action) {
    return action.kind == ActionKind::TagWrite || action.kind == ActionKind::TagAppend ||
           action.kind == ActionKind::TagRemove || action.kind == ActionKind::Id3v2Write;
  };
  if (!appliedAtOnce || !std::all_of(actions.begin(), actions.end(), tagsOnly)) return nullptr;
  return std::make_shared<OpenFiles>();
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

Plan PlanUndo(Journal& journal, std::int64_t batch, std::error_code& ec, bool appliedAtOnce) {
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
  plan.kind = PlanKind::Undo;
  plan.undone = PlanKindOfLetter(summary->header.operation);
  plan.caption = DecodeUtf8(UndoCaption(summary->header));
  plan.parameters = summary->header.parameters;
  plan.directory = summary->header.directory;
  plan.undoes = batch;
  plan.keptFiles = KeptFilesFor(actions, appliedAtOnce);
  state.ReadId3v2Ahead(actions, plan.directory, plan.keptFiles.get());
  AddInverseSteps(actions, state, plan);
  JoinTagWrites(plan);
  return plan;
}

std::vector<std::string> LeftTemporaryFiles(const std::vector<JournalAction>& actions) {
  std::vector<std::string> left;
  for (const JournalAction& action : actions) {
    if (action.state != ActionState::Pending) continue;
    std::string temporary;
    if (WritesThroughTemporary(action)) {
      temporary = ReplacementTemporary(action.path, action);
    } else if (action.kind == ActionKind::Rename) {
      temporary = JoinPath(action.directory, JournaledTemporaryName(action.id));
    }
    if (!temporary.empty() && IsRegularFile(temporary)) left.push_back(std::move(temporary));
  }
  return left;
}

std::int64_t NewestUndoableBatch(Journal& journal, std::error_code& ec) {
  for (const BatchSummary& summary : journal.ListBatches(ec)) {
    if (summary.undoneBy == 0) return summary.id;
  }
  return 0;
}

}  // namespace sonavex
