#include "core/apply/executor.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <ctime>
#include <deque>
#include <mutex>
#include <optional>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

#include "core/apply/describe.h"
#include "core/apply/export_step.h"
#include "core/apply/in_flight.h"
#include "core/apply/steps_ahead.h"
#include "core/batch/planner.h"
#include "core/batch/playlist_steps.h"
#include "core/fs/fs.h"
#include "core/fs/fs_write.h"
#include "core/fs/open_files.h"
#include "core/fs/worker_pool.h"
#include "core/mp3/id3v1.h"
#include "core/text/encoding.h"

namespace sonavex {
namespace {

// What became of one step: performed, or the text the user is shown (a
// step skipped for its file's earlier failure shows none). Steps may run on
// other threads, so the message waits for the step's turn in the plan.
struct StepOutcome {
  bool performed = false;
  std::u32string failure;
  bool told = false;
  MessageKind kind = MessageKind::Warning;
  MessageButton button = MessageButton::Ok;
};

StepOutcome Done() { return {true, {}}; }
StepOutcome Skipped() { return {false, U"übersprungen"}; }

// The new paths of the renames that failed in a batch, shared by the
// runners of its steps (a playlist's step may run on another worker than
// the renames it names).
class FailedRenames {
 public:
  void Add(std::string path) {
    const std::lock_guard lock(mutex_);
    paths_.insert(std::move(path));
  }
  bool Contains(const std::string& path) const {
    const std::lock_guard lock(mutex_);
    return paths_.contains(path);
  }

 private:
  mutable std::mutex mutex_;
  std::unordered_set<std::string> paths_;
};

// What a tag step may do besides its own change.
struct TagStepOptions {
  // On success, leave the file open for the next step, a change of the
  // same file's tag.
  bool handOn = false;
  // An append puts this tag on in place of the empty one: the tag write
  // that follows it (AppendsWrittenTag) is done with it.
  const std::string* appendedTag = nullptr;
};

class PlaylistsAhead;

class StepRunner {
 public:
  explicit StepRunner(const ExecutorContext& context,
                      std::shared_ptr<FailedRenames> failedTargets =
                          std::make_shared<FailedRenames>(),
                      std::shared_ptr<OpenFiles> handedOn = std::make_shared<OpenFiles>())
      : reporter_(context.reporter), standardOut_(context.standardOut),
        tagOnRead_(context.tagOnRead), failedTargets_(std::move(failedTargets)),
        handedOn_(std::move(handedOn)) {}

  Reporter* reporter() const { return reporter_; }
  // Closes the files handed on that no step took.
  void CloseHandedOn() { handedOn_->CloseAll(); }
  std::ostream* standardOut() const { return standardOut_; }
  bool tagOnRead() const { return tagOnRead_; }

  // `id` is the step's journal record, 0 when it has none. Runners of
  // content replacements perform several steps at once, so what concerns
  // one step is handed down, never kept in the runner.
  StepOutcome Perform(const PlanStep& step, std::int64_t id, TagStepOptions options = {}) {
    if (std::optional<StepOutcome> done = DoneAhead(step)) return std::move(*done);
    StepOutcome outcome = PerformKind(step, id, options);
    if (Kind(step) == StepKind::Rename && !outcome.performed) {
      failedTargets_->Add(FullPathOf(step.directory, *NewNameOf(step)));
    }
    return outcome;
  }

  // Steps readied ahead of their turn are taken from `ahead` at their turn.
  void SetAhead(PlaylistsAhead* ahead) { ahead_ = ahead; }

  // Readies a content replacement ahead of its turn: the file is checked,
  // and its new content written and synced under the journaled temporary
  // name. Nothing when it is ready to be put in place (CommitContent), or
  // when it is performed at its turn after all (`replacement` writes in
  // place); else what became of the step.
  std::optional<StepOutcome> StageContent(const PlanStep& step, std::int64_t id,
                                          FileReplacement& replacement) {
    const std::string path = JoinPath(step.directory, step.name);
    const steps::ContentReplace& change = As<steps::ContentReplace>(step);
    if (std::optional<StepOutcome> unfit = Unfit(step, path, change.before)) return unfit;
    std::error_code ec =
        replacement.Begin(path, id != 0 ? JournaledTemporaryName(id) : std::string());
    if (!ec && replacement.WritesInPlace()) return std::nullopt;
    if (!ec) ec = replacement.Stage(change.after);
    if (ec) return Failed(step, ec);
    return std::nullopt;
  }

  // Puts a staged content in place once the renames its lines name are
  // settled; the file is checked once more, as it may have changed meanwhile.
  StepOutcome CommitContent(const PlanStep& step, FileReplacement& replacement) {
    const std::string path = JoinPath(step.directory, step.name);
    if (std::optional<StepOutcome> missing = MissingRenamed(step)) return std::move(*missing);
    if (std::optional<StepOutcome> unfit =
            Unfit(step, path, As<steps::ContentReplace>(step).before)) {
      return std::move(*unfit);
    }
    const std::error_code ec = replacement.Commit();
    return ec ? Failed(step, ec) : Done();
  }

 private:
  // What became of a step readied ahead of its turn, once it is over.
  std::optional<StepOutcome> DoneAhead(const PlanStep& step);

  StepOutcome PerformKind(const PlanStep& step, std::int64_t id, TagStepOptions options) {
    if (!CanBePerformed(step)) return NotKept(step);
    switch (Kind(step)) {
      case StepKind::Rename: return Rename(step, id);
      case StepKind::TagWrite: return TagWrite(step, options.handOn);
      case StepKind::TagAppend: return TagAppend(step, options);
      case StepKind::TagRemove: return TagRemove(step, options.handOn);
      case StepKind::ContentReplace: return ContentReplace(step, id);
      case StepKind::FileCreate: return FileCreate(step, id);
      case StepKind::FileRemove: return FileRemove(step);
      case StepKind::Id3v2Write: return Id3v2Write(step, id, options.handOn);
      case StepKind::Export:  // performed by RunStep, which journals its parts
      case StepKind::Refuse:
      case StepKind::WalkFailure: break;
    }
    const StepMessage* message = MessageOf(step);
    return message != nullptr ? Tell(message->kind, message->text, message->button)
                              : StepOutcome{};
  }

 private:
  static StepOutcome Tell(MessageKind kind, std::u32string text,
                          MessageButton button = MessageButton::Ok) {
    return {false, std::move(text), true, kind, button};
  }

  StepOutcome Failed(const PlanStep& step, std::error_code ec,
                     const std::string& stranded = {}) {
    // An appended tag names its file by its full path, whatever failed.
    if (Kind(step) == StepKind::TagAppend) {
      return Tell(MessageKind::Warning,
                  RenameMessageText(ec, {}, DecodeUtf8(JoinPath(step.directory, step.name))));
    }
    return Tell(MessageKind::Warning,
                RenameMessageText(ec, DecodeUtf8(step.directory), DecodeUtf8(step.name),
                                  DecodeUtf8(stranded)));
  }

  // The file is no longer as the plan found it: it is left alone.
  StepOutcome Changed(const PlanStep& step) {
    return Tell(MessageKind::Warning, DecodeUtf8(JoinPath(step.directory, step.name)) +
                                          std::u32string(kBreak) + std::u32string(kBreak) +
                                          U"Datei wurde seither verändert");
  }

  // An undo step whose old state was too large to keep: the file stays as
  // it is, and the user learns why.
  StepOutcome NotKept(const PlanStep& step) {
    return Tell(MessageKind::Warning,
                DecodeUtf8(JoinPath(step.directory, step.name)) + std::u32string(kBreak) +
                    std::u32string(kBreak) +
                    U"Kann nicht rückgängig gemacht werden: der alte Inhalt wurde nicht "
                    U"aufbewahrt");
  }

  StepOutcome Rename(const PlanStep& step, std::int64_t id) {
    std::string stranded;
    const std::error_code ec =
        renamer_.Rename(step.directory, step.name, As<steps::Rename>(step).newName, &stranded,
                        id != 0 ? JournaledTemporaryName(id) : std::string());
    return ec ? Failed(step, ec, stranded) : Done();
  }

  // Opens a file to check it and change it through the same open, which
  // on a share saves a round trip per file. A writable file, the usual
  // case, is opened at once; a write-protected one has its protection
  // lifted (`guard`) for the change and put back afterwards. With `size`,
  // the file's size too.
  // A file handed on is used as it is, unless it has lost its name since
  // (another program put a new file in its place): that one is opened. Its
  // size is what this system knows: its changes through this system are all
  // known, and asking a share again would cost a round trip.
  FileHandle OpenForChange(const std::string& path, std::optional<WritableGuard>& guard,
                           std::error_code& ec, std::int64_t* size = nullptr) {
    if (FileHandle kept = handedOn_->Take(path); kept.valid()) {
      const FileHandle::Known known = kept.KnownState(ec);
      if (size != nullptr) *size = known.size;
      if (ec || known.linked) return kept;
    }
    FileHandle file = OpenReadWrite(path, ec);
    if (ec == std::errc::permission_denied) {
      guard.emplace(path);  // its own failure shows up in the open below
      ec.clear();
      file = OpenReadWrite(path, ec);
    }
    if (size != nullptr) *size = ec ? 0 : file.Size(ec);
    return file;
  }

  // Closes a changed file, or hands it on to the next step when this one
  // may (a write-protected file is closed, so that its protection is put
  // back at once).
  std::error_code CloseOrHandOn(const std::string& path, FileHandle& file,
                                const std::optional<WritableGuard>& guard, bool handOn) {
    if (!handOn || guard) return file.Close();
    handedOn_->Put(path, file);
    return {};
  }

  StepOutcome TagWrite(const PlanStep& step, bool handOn) {
    const steps::TagWrite& write = As<steps::TagWrite>(step);
    const std::string path = JoinPath(step.directory, step.name);
    std::optional<WritableGuard> guard;
    std::error_code ec;
    std::int64_t size = 0;
    FileHandle file = OpenForChange(path, guard, ec, &size);
    const std::int64_t start = size - static_cast<std::int64_t>(kTagSize);
    std::string tail;
    if (!ec && start >= 0) ec = ReadAt(file.fd(), start, kTagSize, tail);
    if (ec) return Failed(step, ec);
    if (tail != write.before || write.after.size() != kTagSize) return Changed(step);
    if ((ec = WriteAt(file.fd(), start, write.after)) || (ec = CloseOrHandOn(path, file, guard, handOn)) ||
        (guard && (ec = guard->Restore()))) {
      RestoreEnd(path, size, write.before);  // a tag never stays half written
      return Failed(step, ec);
    }
    return Done();
  }

  // The empty tag goes on in one write; one that fails part way is taken
  // back, and a file whose write protection cannot be put back does not
  // keep the tag either.
  StepOutcome TagAppend(const PlanStep& step, TagStepOptions options) {
    const std::int64_t sizeBefore = As<steps::TagAppend>(step).sizeBefore;
    const std::string path = JoinPath(step.directory, step.name);
    std::optional<WritableGuard> guard;
    std::error_code ec;
    std::int64_t size = 0;
    FileHandle file = OpenForChange(path, guard, ec, &size);
    const std::int64_t start = size - static_cast<std::int64_t>(kTagSize);
    std::string tail;
    if (!ec && start >= 0) ec = ReadAt(file.fd(), start, kTagSize, tail);
    if (ec) return Failed(step, ec);
    if (size != sizeBefore || HasTagMarker(tail)) return Changed(step);
    const std::string appended =
        options.appendedTag != nullptr ? *options.appendedTag : EmptyTag();
    if ((ec = WriteAt(file.fd(), size, appended)) ||
        (ec = CloseOrHandOn(path, file, guard, options.handOn)) ||
        (guard && (ec = guard->Restore()))) {
      RestoreEnd(path, size, {});
      return Failed(step, ec);
    }
    return Done();
  }

  StepOutcome TagRemove(const PlanStep& step, bool handOn) {
    const std::int64_t sizeBefore = As<steps::TagRemove>(step).sizeBefore;
    const std::string path = JoinPath(step.directory, step.name);
    std::optional<WritableGuard> guard;
    std::error_code ec;
    std::int64_t size = 0;
    FileHandle file = OpenForChange(path, guard, ec, &size);
    const bool appended = size == sizeBefore + static_cast<std::int64_t>(kTagSize);
    std::string tail;
    if (!ec && appended) ec = ReadAt(file.fd(), sizeBefore, kTagSize, tail);
    if (ec) return Failed(step, ec);
    if (!appended || tail != EmptyTag()) return Changed(step);
    if ((ec = TruncateAt(file.fd(), sizeBefore)) || (ec = CloseOrHandOn(path, file, guard, handOn)) ||
        (guard && (ec = guard->Restore()))) {
      RestoreEnd(path, size, tail);
      return Failed(step, ec);
    }
    return Done();
  }

  // Nothing when the file at `path` still holds what the plan found and
  // may be written; otherwise what became of the step.
  std::optional<StepOutcome> Unfit(const PlanStep& step, const std::string& path,
                                   const std::string& before) {
    bool unchanged = false;
    if (const std::error_code ec = FileHolds(path, before, unchanged)) {
      return Failed(step, ec);
    }
    if (!unchanged) return Changed(step);
    // A rename or removal would go ahead even for a write-protected file:
    // the protection the user set is honoured.
    if (IsWriteProtected(path)) {
      return Failed(step, std::make_error_code(std::errc::permission_denied));
    }
    return std::nullopt;
  }

  // A playlist whose new lines would name a file whose rename failed in
  // this batch: the renames of the batch come before its playlists.
  std::optional<StepOutcome> MissingRenamed(const PlanStep& step) {
    for (const auto& [from, to] : As<steps::ContentReplace>(step).renamedFiles) {
      if (!failedTargets_->Contains(to)) continue;
      return Tell(MessageKind::Warning,
                  DecodeUtf8(JoinPath(step.directory, step.name)) + std::u32string(kBreak) +
                      std::u32string(kBreak) + U"Playlist nicht angepasst: " +
                      DecodeUtf8(from) + U" wurde nicht umbenannt");
    }
    return std::nullopt;
  }

  // A replacement stays whole at every moment: the new content is written
  // under the journaled temporary name, synced, and only then renamed over
  // the file.
  StepOutcome ContentReplace(const PlanStep& step, std::int64_t id) {
    const std::string path = JoinPath(step.directory, step.name);
    if (std::optional<StepOutcome> missing = MissingRenamed(step)) return std::move(*missing);
    if (std::optional<StepOutcome> unfit =
            Unfit(step, path, As<steps::ContentReplace>(step).before)) {
      return std::move(*unfit);
    }
    if (const std::error_code ec = ReplaceFileAtomically(
            path, As<steps::ContentReplace>(step).after,
            id != 0 ? JournaledTemporaryName(id) : std::string())) {
      return Failed(step, ec);
    }
    return Done();
  }

  // A new file, put in place whole and never over one that is there.
  StepOutcome FileCreate(const PlanStep& step, std::int64_t id) {
    FileReplacement created;
    std::error_code ec =
        created.Begin(JoinPath(step.directory, step.name),
                      id != 0 ? JournaledTemporaryName(id) : std::string(),
                      FileReplacement::Mode::CreateOnly);
    if (!ec) ec = created.Finish(As<steps::FileCreate>(step).content);
    return ec ? Failed(step, ec) : Done();
  }

  // The tag at the file's start is written in place when the new one is as
  // long as the old: the whole old tag is checked, and only the bytes that
  // change are written (a failed write puts the old ones back). Otherwise
  // the file is rewritten through a temporary file beside it, the audio
  // behind the tag copied as it is.
  StepOutcome Id3v2Write(const PlanStep& step, std::int64_t id, bool handOn) {
    const steps::Id3v2Write& write = As<steps::Id3v2Write>(step);
    const std::string path = JoinPath(step.directory, step.name);
    std::optional<WritableGuard> guard;
    std::error_code ec;
    FileHandle file = OpenForChange(path, guard, ec);
    std::string head;
    if (!ec) ec = ReadAt(file.fd(), 0, write.before.size(), head);
    if (ec) return Failed(step, ec);
    if (head != write.before) return Changed(step);
    if (write.after.size() != write.before.size()) {
      // The content is read through the open that checked it. The open may
      // carry the ID3v1 write of the step before: its close is checked all
      // the same.
      std::string content;
      ec = ReadWholeFile(file, content);
      if (const std::error_code closed = file.Close(); !ec) ec = closed;
      if (guard) guard->Restore();
      if (ec) return Failed(step, ec);
      return RewriteWithTag(step, write, path, std::move(content), id);
    }
    const ByteChange change = ChangedPart(write);
    if ((ec = WriteAt(file.fd(), change.offset, change.after)) ||
        (ec = CloseOrHandOn(path, file, guard, handOn)) || (guard && (ec = guard->Restore()))) {
      RestoreAt(path, change.offset, change.before);
      return Failed(step, ec);
    }
    return Done();
  }

  StepOutcome RewriteWithTag(const PlanStep& step, const steps::Id3v2Write& write,
                             const std::string& path, std::string content, std::int64_t id) {
    if (!content.starts_with(write.before)) return Changed(step);
    content.replace(0, write.before.size(), write.after);
    if (const std::error_code ec = ReplaceFileAtomically(
            path, content, id != 0 ? JournaledTemporaryName(id) : std::string())) {
      return Failed(step, ec);
    }
    return Done();
  }

  // Puts the old bytes of the tag back after a write in place failed part
  // way.
  static void RestoreAt(const std::string& path, std::int64_t offset, std::string_view before) {
    std::error_code ec;
    FileHandle file = OpenReadWrite(path, ec);
    if (!ec) WriteAt(file.fd(), offset, before);
  }

  StepOutcome FileRemove(const PlanStep& step) {
    const std::string path = JoinPath(step.directory, step.name);
    if (std::optional<StepOutcome> unfit =
            Unfit(step, path, As<steps::FileRemove>(step).content)) {
      return std::move(*unfit);
    }
    if (const std::error_code ec = RemoveFile(path)) return Failed(step, ec);
    return Done();
  }

  Reporter* reporter_;
  std::ostream* standardOut_;
  bool tagOnRead_;
  DirectoryRenamer renamer_;
  // Where the renames that failed would have put their files (FullPathOf).
  std::shared_ptr<FailedRenames> failedTargets_;
  // Files left open for the step that changes them next: by the plan's
  // reading, or by a tag step for the next change of the same tag, which
  // re-checks and writes through the same open.
  std::shared_ptr<OpenFiles> handedOn_;
  PlaylistsAhead* ahead_ = nullptr;
};

// The old content goes into the journal up to the size it keeps.
void KeepOldContent(const std::string& before, JournalAction& action) {
  action.sizeBefore = static_cast<std::int64_t>(before.size());
  if (action.sizeBefore <= kMaxKeptContent) action.before = before;
}

// Of the new content only the size and hash: undo checks the file against it.
void KeepNewContent(const std::string& after, JournalAction& action) {
  action.sizeAfter = static_cast<std::int64_t>(after.size());
  action.hashAfter = ContentHash(after);
}

// Makes `action` the journal's record of a step, reusing the storage its
// texts already hold (a chunk records a thousand steps); false for a
// message, which is not recorded.
bool FillAction(const PlanStep& step, JournalAction& action) {
  JournalAction fresh;
  fresh.directory = std::move(action.directory);
  fresh.oldName = std::move(action.oldName);
  fresh.newName = std::move(action.newName);
  action = std::move(fresh);
  switch (Kind(step)) {
    case StepKind::Rename:
      action.kind = ActionKind::Rename;
      action.directory = step.directory;
      action.oldName = step.name;
      action.newName = As<steps::Rename>(step).newName;
      return true;
    case StepKind::TagWrite:
      action.kind = ActionKind::TagWrite;
      action.before = As<steps::TagWrite>(step).before;
      action.after = As<steps::TagWrite>(step).after;
      break;
    case StepKind::TagAppend:
      action.kind = ActionKind::TagAppend;
      action.sizeBefore = As<steps::TagAppend>(step).sizeBefore;
      break;
    case StepKind::TagRemove:
      action.kind = ActionKind::TagRemove;
      action.sizeBefore = As<steps::TagRemove>(step).sizeBefore;
      break;
    case StepKind::Id3v2Write: {
      // Only the bytes that change: the rest of the tag stays as it is.
      const ByteChange change = ChangedPart(As<steps::Id3v2Write>(step));
      action.kind = ActionKind::Id3v2Write;
      action.before = change.before;
      action.after = change.after;
      action.sizeBefore = change.offset;
      // The whole new tag's size and hash, which undo checks it against.
      KeepNewContent(As<steps::Id3v2Write>(step).after, action);
      break;
    }
    case StepKind::ContentReplace:
      action.kind = ActionKind::ContentReplace;
      KeepOldContent(As<steps::ContentReplace>(step).before, action);
      KeepNewContent(As<steps::ContentReplace>(step).after, action);
      break;
    case StepKind::FileCreate:
      action.kind = ActionKind::ExportWrite;
      KeepNewContent(As<steps::FileCreate>(step).content, action);
      break;
    case StepKind::FileRemove:
      action.kind = ActionKind::FileRemove;
      KeepOldContent(As<steps::FileRemove>(step).content, action);
      break;
    case StepKind::Export:  // its parts are journaled as they are performed
    case StepKind::Refuse:
    case StepKind::WalkFailure: return false;
  }
  action.path = JoinPath(step.directory, step.name);
  return true;
}

// Writes one batch into the journal: the batch begins with its first
// journaled step, actions are recorded before they are performed and marked
// after. The first journal error is told once; the batch goes on without.
class JournalWriter {
 public:
  JournalWriter(const ExecutorContext& context, const Plan& header)
      : context_(context), header_(header), journal_(context.journal) {}

  // The journal ids of `steps`, 0 for a step that is not journaled.
  std::vector<std::int64_t> Record(std::span<const PlanStep> steps) {
    if (std::optional<std::vector<std::int64_t>> ahead = TakeAhead(steps)) return *ahead;
    std::vector<std::int64_t> ids(steps.size(), 0);
    std::vector<std::size_t> positions;
    for (std::size_t i = 0; journal_ != nullptr && i < steps.size(); ++i) {
      if (positions.size() == actions_.size()) actions_.emplace_back();
      if (FillAction(steps[i], actions_[positions.size()])) positions.push_back(i);
    }
    if (positions.empty() || !Begin()) return ids;
    std::error_code ec;
    const std::vector<std::int64_t> recorded = journal_->RecordPending(
        batch_, std::span(actions_.data(), positions.size()), ec);
    if (ec) {
      Fail(ec);
      return ids;
    }
    for (std::size_t k = 0; k < positions.size(); ++k) ids[positions[k]] = recorded[k];
    return ids;
  }

  void MarkFailed(std::int64_t id, const std::u32string& text) {
    if (journal_ != nullptr && id != 0) {
      if (const std::error_code ec = journal_->MarkFailed(id, EncodeUtf8(text))) Fail(ec);
    }
  }

  void RecordOutcome(std::int64_t id, std::string_view content) {
    if (journal_ == nullptr || id == 0) return;
    if (const std::error_code ec = journal_->RecordOutcome(
            id, static_cast<std::int64_t>(content.size()), ContentHash(content))) {
      Fail(ec);
    }
  }

  void MarkDone(const std::vector<std::int64_t>& ids) {
    if (journal_ == nullptr || ids.empty()) return;
    if (const std::error_code ec = journal_->MarkDone(ids)) return Fail(ec);
    done_ += static_cast<std::int64_t>(ids.size());
  }

  // Records `steps`, which follow those recorded ahead before (if any),
  // before their turn: Record then gives their ids.
  void RecordAhead(std::span<const PlanStep> steps) {
    const std::vector<std::int64_t> ids = Record(steps);
    if (ahead_.empty()) aheadFirst_ = steps.data();
    ahead_.insert(ahead_.end(), ids.begin(), ids.end());
  }
  // The id recorded ahead for `step`, 0 when none.
  std::int64_t AheadId(const PlanStep& step) const {
    const std::size_t at = AheadIndex(step);
    return at < ahead_.size() ? ahead_[at] : 0;
  }
  // Drops the records made ahead for steps whose turn never came.
  void ForgetAhead() {
    if (aheadTaken_ < ahead_.size()) Forget(std::span(ahead_).subspan(aheadTaken_));
    ahead_.clear();
  }

  // Drops the records of steps that never ran (the batch was stopped).
  void Forget(std::span<const std::int64_t> ids) {
    const auto first = std::find_if(ids.begin(), ids.end(), [](std::int64_t id) { return id != 0; });
    const auto last = std::find_if(ids.rbegin(), ids.rend(), [](std::int64_t id) { return id != 0; });
    if (journal_ == nullptr || first == ids.end()) return;
    if (const std::error_code ec = journal_->DropPending(*first, *last)) Fail(ec);
  }

  // Ends the batch; its id when it holds a performed step, else 0.
  std::int64_t End() {
    if (journal_ == nullptr || batch_ == 0) return 0;
    if (const std::error_code ec = journal_->EndBatch(batch_)) Fail(ec);
    const std::int64_t batch = done_ > 0 && journal_ != nullptr ? batch_ : 0;
    batch_ = 0;
    if (batch != 0 && header_.undoes != 0) {
      if (const std::error_code ec = journal_->MarkUndone(header_.undoes, batch)) Fail(ec);
    }
    return batch;
  }

 private:
  bool Begin() {
    if (batch_ != 0) return true;
    BatchHeader header;
    header.time = context_.now ? context_.now() : static_cast<std::int64_t>(std::time(nullptr));
    header.operation = JournalLetter(header_);
    header.caption = EncodeUtf8(header_.caption);
    header.parameters = header_.parameters;
    header.directory = header_.directory;
    header.undoes = header_.undoes;
    std::error_code ec;
    batch_ = journal_->BeginBatch(header, ec);
    if (ec) Fail(ec);
    return journal_ != nullptr;
  }

  // Where `step` is among the steps recorded ahead; past them for another.
  std::size_t AheadIndex(const PlanStep& step) const {
    const std::less<const PlanStep*> before;
    if (ahead_.empty() || before(&step, aheadFirst_) ||
        !before(&step, aheadFirst_ + ahead_.size())) {
      return ahead_.size();
    }
    return static_cast<std::size_t>(&step - aheadFirst_);
  }

  // The ids of `steps` when they were recorded ahead.
  std::optional<std::vector<std::int64_t>> TakeAhead(std::span<const PlanStep> steps) {
    if (steps.empty()) return std::nullopt;
    const std::size_t at = AheadIndex(steps.front());
    if (at >= ahead_.size() || steps.size() > ahead_.size() - at) return std::nullopt;
    aheadTaken_ = std::max(aheadTaken_, at + steps.size());
    const auto first = ahead_.begin() + static_cast<std::ptrdiff_t>(at);
    return std::vector<std::int64_t>(first, first + static_cast<std::ptrdiff_t>(steps.size()));
  }

  void Fail(std::error_code ec) {
    journal_ = nullptr;
    batch_ = 0;
    if (context_.onJournalFailure) context_.onJournalFailure(ec);
  }

  const ExecutorContext& context_;
  const Plan& header_;
  Journal* journal_;
  std::int64_t batch_ = 0;
  std::int64_t done_ = 0;
  // The records of the chunk being written, kept from chunk to chunk.
  std::vector<JournalAction> actions_;
  // The ids recorded ahead, of the steps from aheadFirst_ on, and how many
  // of them Record has handed out.
  const PlanStep* aheadFirst_ = nullptr;
  std::vector<std::int64_t> ahead_;
  std::size_t aheadTaken_ = 0;
};

// Steps recorded per journal transaction; contents kept for undo also
// bound a chunk, as all of it is held in memory at once.
constexpr std::size_t kChunkSteps = 1024;

std::size_t ChunkEnd(const Plan& plan, std::size_t first, std::size_t end) {
  std::int64_t kept = 0;
  std::size_t last = first;
  while (last < end && last - first < kChunkSteps) {
    if (const auto* tag = std::get_if<steps::Id3v2Write>(&plan.steps[last].change)) {
      kept += static_cast<std::int64_t>(tag->before.size() + tag->after.size());
    }
    if (const std::string* before = OldContentOf(plan.steps[last])) {
      kept += static_cast<std::int64_t>(before->size());
      if (kept > kMaxKeptContent && last > first) break;
    }
    ++last;
  }
  return last;
}

// A walk failure ends the batch: nothing after it runs.
std::size_t PlanEnd(const Plan& plan) {
  for (std::size_t i = 0; i < plan.steps.size(); ++i) {
    if (Kind(plan.steps[i]) == StepKind::WalkFailure) return i + 1;
  }
  return plan.steps.size();
}

bool ChangesContent(const PlanStep& step) {
  const StepKind kind = Kind(step);
  return kind != StepKind::Rename && kind != StepKind::Refuse &&
         kind != StepKind::WalkFailure && kind != StepKind::Export;
}

// The batch's side of its steps, kept on the calling thread: the journal,
// the counts, the messages in the plan's order, the files whose change
// failed, and the progress.
class BatchBook {
 public:
  BatchBook(const ExecutorContext& context, const Plan& header, int total)
      : writer(context, header), reporter_(context.reporter), progress_(context.progress),
        total_(total) {}

  // A step whose file already failed an earlier change of this plan (the
  // tag write after a tag that could not be appended) is skipped without a
  // second message.
  bool Skips(const PlanStep& step) const {
    return ChangesContent(step) && failedFiles_.contains(JoinPath(step.directory, step.name));
  }
  void Finished(const PlanStep& step, const StepOutcome& outcome) {
    if (!outcome.performed && ChangesContent(step)) {
      failedFiles_.insert(JoinPath(step.directory, step.name));
    }
  }
  // Shows the step's message, counts it and settles its journal record.
  void Settle(const StepOutcome& outcome, std::int64_t id, std::vector<std::int64_t>& doneIds) {
    if (outcome.told && reporter_ != nullptr) {
      reporter_->Report(outcome.kind, outcome.failure, outcome.button);
    }
    if (outcome.performed) {
      ++result.performed;
      if (id != 0) doneIds.push_back(id);
    } else {
      ++result.failed;
      writer.MarkFailed(id, outcome.failure);
    }
  }
  // One more step of the plan is over.
  void Advance() {
    ++settled_;
    if (progress_) progress_(settled_, total_);
    if (onSettled) onSettled(static_cast<std::size_t>(settled_));
  }

  JournalWriter writer;
  ApplyResult result;
  // Told the number of the plan's steps settled so far, after each.
  std::function<void(std::size_t)> onSettled;

 private:
  Reporter* reporter_;
  std::function<void(int, int)> progress_;
  int total_;
  int settled_ = 0;
  std::unordered_set<std::string> failedFiles_;
};

bool PerformExportStep(StepRunner& runner, BatchBook& book, const PlanStep& step);

// Files of a run replaced at once.
constexpr std::size_t kReplacedAtOnce = 8;

// The playlists that follow the renames of a batch, readied while the
// renames run (StepsAhead): from the batch's start on, each is checked and
// its new content written and synced under its journaled temporary name,
// and it is put in place as soon as the renames its lines name are
// settled. Their journal records are written before anything starts, so a
// kill at any moment leaves each playlist old or new and its temporary file
// under its journal name. Each outcome settles at the playlist's turn.
class PlaylistsAhead {
 public:
  PlaylistsAhead(const Plan& plan, std::vector<StepsAhead::Step> ready, StepRunner& runner,
                 const JournalWriter& writer)
      : steps_(plan.steps), runner_(runner) {
    for (const StepsAhead::Step& step : ready) {
      slots_[step.step].id = writer.AheadId(plan.steps[step.step]);
    }
    ahead_.emplace(std::move(ready), Hooks(), static_cast<int>(kReplacedAtOnce));
  }

  // What became of `step` once it is over; nothing for a step that is
  // performed at its turn as usual.
  std::optional<StepOutcome> Take(const PlanStep& step) {
    const std::less<const PlanStep*> before;
    if (before(&step, steps_.data()) || !before(&step, steps_.data() + steps_.size())) {
      return std::nullopt;
    }
    const auto at = static_cast<std::size_t>(&step - steps_.data());
    if (!slots_.contains(at) || !ahead_->Await(at)) return std::nullopt;
    return std::move(slots_.at(at).outcome);
  }

  void Settled(std::size_t count) { ahead_->Settled(count); }

  // A stop: no further playlist is put in place, the staged ones are
  // dropped. The playlists put in place, with their outcomes and ids.
  std::vector<std::tuple<std::size_t, StepOutcome, std::int64_t>> Stop() {
    std::vector<std::tuple<std::size_t, StepOutcome, std::int64_t>> finished;
    for (const std::size_t step : ahead_->Stop()) {
      Slot& slot = slots_.at(step);
      if (slot.outcome) finished.emplace_back(step, std::move(*slot.outcome), slot.id);
    }
    return finished;
  }

 private:
  struct Slot {
    std::int64_t id = 0;
    std::unique_ptr<FileReplacement> replacement;
    std::optional<StepOutcome> outcome;
  };

  StepsAhead::Hooks Hooks() {
    StepsAhead::Hooks hooks;
    hooks.prepare = [this](std::size_t step) {
      Slot& slot = slots_.at(step);
      slot.replacement = std::make_unique<FileReplacement>();
      slot.outcome = runner_.StageContent(steps_[step], slot.id, *slot.replacement);
      if (slot.outcome || !slot.replacement->WritesInPlace()) return true;
      slot.replacement.reset();
      return false;
    };
    hooks.finish = [this](std::size_t step) {
      Slot& slot = slots_.at(step);
      if (!slot.outcome) slot.outcome = runner_.CommitContent(steps_[step], *slot.replacement);
      slot.replacement.reset();
    };
    hooks.drop = [this](std::size_t step) { slots_.at(step).replacement.reset(); };
    return hooks;
  }

  std::span<const PlanStep> steps_;
  StepRunner& runner_;
  // One per playlist, made before the workers start.
  std::unordered_map<std::size_t, Slot> slots_;
  std::optional<StepsAhead> ahead_;  // last: ends first
};

std::optional<StepOutcome> StepRunner::DoneAhead(const PlanStep& step) {
  return ahead_ != nullptr ? ahead_->Take(step) : std::nullopt;
}

// On a local disk, the playlists at the end of a rename batch are readied
// while its renames run; the journal records the whole batch first, in the
// plan's order, as ever a chunk at a time.
std::unique_ptr<PlaylistsAhead> ReadyPlaylistsAhead(const Plan& plan, std::size_t end,
                                                    const InFlight& inFlight,
                                                    StepRunner& runner, BatchBook& book) {
  if (inFlight.workers() != 1) return nullptr;
  std::vector<StepsAhead::Step> ready = PlaylistsReadyAhead(plan, end);
  if (ready.empty()) return nullptr;
  for (std::size_t first = 0; first < end;) {
    const std::size_t last = ChunkEnd(plan, first, end);
    book.writer.RecordAhead({plan.steps.data() + first, last - first});
    first = last;
  }
  auto ahead = std::make_unique<PlaylistsAhead>(plan, std::move(ready), runner, book.writer);
  runner.SetAhead(ahead.get());
  book.onSettled = [playlists = ahead.get()](std::size_t count) { playlists->Settled(count); };
  return ahead;
}

// A batch was stopped: the playlists put in place meanwhile are settled,
// and the records made ahead for steps that never began are dropped.
void SettleStopped(PlaylistsAhead* ahead, BatchBook& book) {
  std::vector<std::int64_t> doneIds;
  if (ahead != nullptr) {
    for (const auto& [step, outcome, id] : ahead->Stop()) book.Settle(outcome, id, doneIds);
  }
  book.writer.MarkDone(doneIds);
  book.writer.ForgetAhead();
}

// Content replacements of one run, each of another file.
constexpr std::size_t kMaxInRun = 256;

// Where the run of content replacements that begins at `first` ends: each
// of another file, so that none has to see another's result.
std::size_t ContentRunEnd(std::span<const PlanStep> steps, std::size_t first) {
  std::unordered_set<std::string> paths;
  std::size_t last = first;
  while (last < steps.size() && last - first < kMaxInRun &&
         Kind(steps[last]) == StepKind::ContentReplace && CanBePerformed(steps[last]) &&
         paths.insert(JoinPath(steps[last].directory, steps[last].name)).second) {
    ++last;
  }
  return last;
}

// Performs a run of content replacements (playlists that follow renames,
// the files of 'Z') several at once: each file's new content is written
// under its journaled temporary name, synced and renamed over the file by
// itself, so that the waits for the syncs, and for the old contents to be
// freed, overlap. A kill at any moment leaves each file old or new, and the
// temporaries it leaves carry their journal names, so undo removes them.
// The outcomes settle in the plan's order.
void RunContentSteps(StepRunner& runner, BatchBook& book, std::span<const PlanStep> steps) {
  const std::vector<std::int64_t> ids = book.writer.Record(steps);
  std::vector<std::optional<StepOutcome>> outcomes(steps.size());
  for (std::size_t i = 0; i < steps.size(); ++i) {
    if (book.Skips(steps[i])) outcomes[i] = Skipped();
  }
  ForEachAtOnce(steps.size(), kReplacedAtOnce, [&](std::size_t i) {
    if (!outcomes[i]) outcomes[i] = runner.Perform(steps[i], ids[i]);
  });
  std::vector<std::int64_t> doneIds;
  for (std::size_t i = 0; i < steps.size(); ++i) {
    book.Finished(steps[i], *outcomes[i]);
    book.Settle(*outcomes[i], ids[i], doneIds);
    book.Advance();
  }
  book.writer.MarkDone(doneIds);
}

// Performs one step on its own: recorded, performed, settled.
bool RunOneStep(StepRunner& runner, BatchBook& book, const PlanStep& step) {
  if (Kind(step) == StepKind::Export) return PerformExportStep(runner, book, step);
  const std::int64_t id = book.writer.Record({&step, 1})[0];
  const StepOutcome outcome = book.Skips(step) ? Skipped() : runner.Perform(step, id);
  book.Finished(step, outcome);
  std::vector<std::int64_t> doneIds;
  book.Settle(outcome, id, doneIds);
  book.writer.MarkDone(doneIds);
  return outcome.performed;
}

// The changes an export makes on its way, as parts of the batch running it.
class ExportParts : public ExportSteps {
 public:
  ExportParts(StepRunner& runner, BatchBook& book) : runner_(runner), book_(book) {}

  std::int64_t Record(const PlanStep& step) override {
    return book_.writer.Record({&step, 1})[0];
  }
  void Outcome(std::int64_t id, std::string_view content) override {
    book_.writer.RecordOutcome(id, content);
  }
  void Settle(std::int64_t id, bool performed, const std::u32string& failure) override {
    if (performed) {
      if (id != 0) book_.writer.MarkDone({id});
    } else {
      book_.writer.MarkFailed(id, failure);
    }
  }
  bool Append(const PlanStep& step) override { return RunOneStep(runner_, book_, step); }

 private:
  StepRunner& runner_;
  BatchBook& book_;
};

bool PerformExportStep(StepRunner& runner, BatchBook& book, const PlanStep& step) {
  ExportParts parts(runner, book);
  const std::shared_ptr<const ExportJob>& job = As<steps::Export>(step).job;
  const bool written = job != nullptr &&
                       PerformExport(*job, step.directory,
                                     {runner.reporter(), runner.standardOut(),
                                      runner.tagOnRead()},
                                     parts);
  ++(written ? book.result.performed : book.result.failed);
  book.result.exported += written ? 1 : 0;
  return written;
}

bool ChangesTagV1(const PlanStep& step) {
  const StepKind kind = Kind(step);
  return kind == StepKind::TagAppend || kind == StepKind::TagWrite || kind == StepKind::TagRemove;
}

// Whether `step` changes a tag through an open that the step before it on
// the same file may hand on: an ID3v1 step, or an ID3v2 write (which hands
// its open on only when it writes in place: a rewritten file is another).
bool ChangesTag(const PlanStep& step) {
  return ChangesTagV1(step) || Kind(step) == StepKind::Id3v2Write;
}

// For each step of a chunk, whether it hands its file on to the next step
// left open: both change the same file's tags.
std::vector<char> HandOns(std::span<const PlanStep> chunk) {
  std::vector<char> handOn(chunk.size(), 0);
  for (std::size_t i = 0; i + 1 < chunk.size(); ++i) {
    handOn[i] = ChangesTag(chunk[i]) && ChangesTag(chunk[i + 1]) &&
                chunk[i].name == chunk[i + 1].name &&
                chunk[i].directory == chunk[i + 1].directory;
  }
  return handOn;
}

// For each step of a chunk, whether it appends a tag that the next step
// writes at once: the two then take one write, which on a share saves a
// round trip and the kernel's look at the file's attributes. Each is still
// journaled and told as a step of its own.
std::vector<char> AppendsWrittenTag(std::span<const PlanStep> chunk) {
  std::vector<char> fused(chunk.size(), 0);
  for (std::size_t i = 0; i + 1 < chunk.size(); ++i) {
    const auto* write = std::get_if<steps::TagWrite>(&chunk[i + 1].change);
    fused[i] = Kind(chunk[i]) == StepKind::TagAppend && write != nullptr &&
               write->before == EmptyTag() && write->after.size() == kTagSize &&
               chunk[i].name == chunk[i + 1].name && chunk[i].directory == chunk[i + 1].directory;
  }
  return fused;
}

// Settles the tag writes done with their appends whose own turn a stop cut
// off: they are done, so the journal keeps them. Returns the steps left
// that never began.
std::vector<std::size_t> SettleDoneWithAppends(BatchBook& book,
                                               std::span<const std::size_t> notBegun,
                                               const std::vector<char>& doneWithAppend,
                                               std::span<const std::int64_t> ids,
                                               std::vector<std::int64_t>& doneIds) {
  std::vector<std::size_t> left;
  for (const std::size_t i : notBegun) {
    if (doneWithAppend[i] == 0) {
      left.push_back(i);
      continue;
    }
    book.Settle(Done(), ids[i], doneIds);
    book.Advance();
  }
  return left;
}

// What the steps of a chunk touch, for their order; nothing with one step
// at a time, which keeps the plan's order anyway.
std::vector<StepTouch> TouchesOf(std::span<const PlanStep> chunk, bool inOrderAnyway) {
  std::vector<StepTouch> touches(chunk.size());
  if (inOrderAnyway) return touches;
  std::transform(chunk.begin(), chunk.end(), touches.begin(), TouchOf);
  return touches;
}

// Performs the steps of one journal chunk, `inFlight.workers()` at once,
// each worker with its own runner; settles them in the plan's order. False
// when a stop was requested: the journal then forgets the steps that never
// began.
bool RunChunk(std::deque<StepRunner>& runners, BatchBook& book, InFlight& inFlight,
                     std::span<const PlanStep> chunk, const std::function<bool()>& stop) {
  const std::vector<std::int64_t> ids = book.writer.Record(chunk);
  const std::vector<char> handOn = HandOns(chunk);
  const std::vector<char> fused = AppendsWrittenTag(chunk);
  // Set by a step's worker before the next step may begin.
  std::vector<char> doneWithAppend(chunk.size(), 0);
  std::vector<StepOutcome> outcomes(chunk.size());
  std::vector<std::int64_t> doneIds;
  InFlight::Hooks hooks;
  // An export runs alone, here, and settles its parts itself.
  hooks.begin = [&](std::size_t i) {
    if (Kind(chunk[i]) == StepKind::Export) {
      PerformExportStep(runners.front(), book, chunk[i]);
      return false;
    }
    if (doneWithAppend[i] != 0) {
      outcomes[i] = Done();
      return false;
    }
    if (!book.Skips(chunk[i])) return true;
    outcomes[i] = Skipped();
    return false;
  };
  hooks.perform = [&](std::size_t i, int worker) {
    const std::string* appended =
        fused[i] != 0 ? &As<steps::TagWrite>(chunk[i + 1]).after : nullptr;
    // An append done with its tag write hands the file on as that write
    // would have.
    const bool handsOn = handOn[appended != nullptr ? i + 1 : i] != 0;
    outcomes[i] = runners[static_cast<std::size_t>(worker)].Perform(
        chunk[i], ids[i], {handsOn, appended});
    if (appended != nullptr) doneWithAppend[i + 1] = outcomes[i].performed ? 1 : 0;
  };
  hooks.finished = [&](std::size_t i) {
    if (Kind(chunk[i]) != StepKind::Export) book.Finished(chunk[i], outcomes[i]);
  };
  hooks.settle = [&](std::size_t i) {
    if (Kind(chunk[i]) != StepKind::Export) book.Settle(outcomes[i], ids[i], doneIds);
    book.Advance();
  };
  hooks.stopRequested = stop;
  const std::vector<std::size_t> notBegun = SettleDoneWithAppends(
      book, inFlight.Run(TouchesOf(chunk, inFlight.workers() == 1), hooks), doneWithAppend, ids,
      doneIds);
  book.writer.MarkDone(doneIds);
  std::vector<std::int64_t> forgotten;
  for (const std::size_t i : notBegun) forgotten.push_back(ids[i]);
  book.writer.Forget(forgotten);
  return notBegun.empty();
}

// On a local disk, runs of content replacements go several at once
// (RunContentSteps); every other step, and every step on a share, goes
// through RunChunk.
bool RunChunkInRuns(std::deque<StepRunner>& runners, BatchBook& book, InFlight& inFlight,
                    std::span<const PlanStep> chunk, const std::function<bool()>& stop) {
  if (inFlight.workers() != 1) return RunChunk(runners, book, inFlight, chunk, stop);
  for (std::size_t i = 0; i < chunk.size();) {
    if (const std::size_t run = ContentRunEnd(chunk, i); run > i + 1) {
      if (stop && stop()) return false;
      RunContentSteps(runners.front(), book, chunk.subspan(i, run - i));
      i = run;
      continue;
    }
    std::size_t next = i + 1;
    while (next < chunk.size() && ContentRunEnd(chunk, next) <= next + 1) ++next;
    if (!RunChunk(runners, book, inFlight, chunk.subspan(i, next - i), stop)) return false;
    i = next;
  }
  return true;
}

// Removes the temporary files a cut-off batch left; one that cannot be
// removed is reported and stays.
void RemoveLeftovers(const std::vector<std::string>& leftovers, Reporter* reporter) {
  for (const std::string& path : leftovers) {
    const std::error_code ec = RemoveFile(path);
    if (!ec || ec == std::errc::no_such_file_or_directory || reporter == nullptr) continue;
    const PathParts parts = SplitPath(path);
    reporter->Report(MessageKind::Warning,
                     FailureMessageText(ec, DecodeUtf8(parts.directory),
                                        DecodeUtf8(parts.name)));
  }
}

}  // namespace

namespace {

std::string Hex16(std::uint64_t value) {
  static constexpr char kDigits[] = "0123456789abcdef";
  char text[16];
  for (int i = 15; i >= 0; --i, value >>= 4) text[i] = kDigits[value & 0xF];
  return std::string(text, 16);
}

// FNV-1a, 64 bits: what journals written before the present hash hold.
std::uint64_t Fnv1a(std::string_view bytes) {
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  for (const char c : bytes) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3ULL;
  }
  return hash;
}

constexpr std::uint64_t kMix1 = 0x9E3779B185EBCA87ULL;
constexpr std::uint64_t kMix2 = 0xC2B2AE3D27D4EB4FULL;

std::uint64_t Rotl(std::uint64_t value, int bits) {
  return (value << bits) | (value >> (64 - bits));
}

// `size` bytes (at most eight) as a little-endian number.
std::uint64_t Word(const char* at, std::size_t size) {
  std::uint64_t word = 0;
  if (std::endian::native == std::endian::little) {
    std::memcpy(&word, at, size);
    return word;
  }
  for (std::size_t i = size; i-- > 0;) word = (word << 8) | static_cast<unsigned char>(at[i]);
  return word;
}

void Mix(std::uint64_t& lane, std::uint64_t word) {
  lane = Rotl((lane ^ word) * kMix1, 31) * kMix2;
}

// Eight bytes at a time in four independent lanes, so that a file of many
// megabytes is hashed at the speed it is read. The last words (the final
// one padded with zeros, told apart by the length) go to the lanes in turn.
std::uint64_t LaneHash(std::string_view bytes) {
  std::uint64_t lanes[4] = {kMix1, kMix2, ~kMix1, ~kMix2};
  std::size_t at = 0;
  for (; at + 32 <= bytes.size(); at += 32) {
    for (std::size_t k = 0; k < 4; ++k) Mix(lanes[k], Word(bytes.data() + at + 8 * k, 8));
  }
  for (std::size_t k = 0; at < bytes.size(); at += 8, ++k) {
    Mix(lanes[k], Word(bytes.data() + at, std::min<std::size_t>(8, bytes.size() - at)));
  }
  std::uint64_t hash = bytes.size();
  for (const std::uint64_t lane : lanes) hash = Rotl(hash ^ (lane * kMix1), 27) * kMix2;
  hash ^= hash >> 29;
  hash *= kMix1;
  return hash ^ (hash >> 32);
}

// Hashes of the present kind carry this mark; one without it is FNV-1a.
constexpr std::string_view kLaneHashMark = "v2:";

}  // namespace

std::string ContentHash(std::string_view bytes) {
  return std::string(kLaneHashMark) + Hex16(LaneHash(bytes));
}

bool HoldsContentHash(std::string_view bytes, std::string_view hash) {
  if (hash.starts_with(kLaneHashMark)) return ContentHash(bytes) == hash;
  return Hex16(Fnv1a(bytes)) == hash;
}

std::string JournaledTemporaryName(std::int64_t actionId) {
  return "~sonavex-" + std::to_string(actionId);
}

ApplyResult ApplyPlan(const Plan& plan, const ExecutorContext& context) {
  RemoveLeftovers(plan.leftovers, context.reporter);
  const std::size_t end = PlanEnd(plan);
  const int window = context.inFlight > 0 ? context.inFlight : StepsInFlightFor(plan);
  InFlight inFlight(static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(window), end)));
  std::deque<StepRunner> runners;
  const auto failedRenames = std::make_shared<FailedRenames>();
  // The files the plan's reading kept open for their change.
  const auto handedOn =
      plan.keptFiles != nullptr ? plan.keptFiles : std::make_shared<OpenFiles>();
  for (int worker = 0; worker < inFlight.workers(); ++worker) {
    runners.emplace_back(context, failedRenames, handedOn);
  }
  BatchBook book(context, plan, static_cast<int>(end));
  const std::unique_ptr<PlaylistsAhead> ahead =
      ReadyPlaylistsAhead(plan, end, inFlight, runners.front(), book);
  for (std::size_t first = 0; first < end;) {
    const std::size_t last = ChunkEnd(plan, first, end);
    const std::span<const PlanStep> chunk(plan.steps.data() + first, last - first);
    if (!RunChunkInRuns(runners, book, inFlight, chunk, context.stopRequested)) {
      book.result.stopped = true;
      SettleStopped(ahead.get(), book);
      break;
    }
    first = last;
  }
  runners.front().CloseHandedOn();
  book.result.batch = book.writer.End();
  return book.result;
}

ApplyResult RunSelection(Operation code, const OperationParams& params,
                         const std::string& directory,
                         const std::vector<std::string>& markedNames,
                         const BatchContext& context, ExecutorContext executor) {
  if (executor.reporter == nullptr) executor.reporter = context.reporter;
  return ApplyPlan(PlanSelection(code, params, directory, markedNames, context), executor);
}

struct StepSession::State {
  State(const ExecutorContext& c, const Plan& h)
      : context(c), header(h), runner(context), book(context, header, 0) {}
  ExecutorContext context;
  Plan header;
  StepRunner runner;
  BatchBook book;
};

StepSession::StepSession(const ExecutorContext& context, const Plan& header)
    : state_(std::make_unique<State>(context, header)) {}

StepSession::~StepSession() { state_->book.writer.End(); }

bool StepSession::Apply(const PlanStep& step) {
  return RunOneStep(state_->runner, state_->book, step);
}

}  // namespace sonavex
