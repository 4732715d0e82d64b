#include "core/apply/executor.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <ctime>
#include <optional>
#include <unordered_set>

#include "core/apply/export_step.h"
#include "core/batch/planner.h"
#include "core/fs/fs.h"
#include "core/fs/fs_write.h"
#include "core/mp3/id3v1.h"
#include "core/text/encoding.h"

namespace sonavex {
namespace {

// What became of one step: performed, or the text the user was shown.
struct StepOutcome {
  bool performed = false;
  std::u32string failure;
};

StepOutcome Done() { return {true, {}}; }

class StepRunner {
 public:
  explicit StepRunner(const ExecutorContext& context)
      : reporter_(context.reporter), standardOut_(context.standardOut),
        tagOnRead_(context.tagOnRead) {}

  Reporter* reporter() const { return reporter_; }
  std::ostream* standardOut() const { return standardOut_; }
  bool tagOnRead() const { return tagOnRead_; }

  // `id` is the step's journal record, 0 when it has none.
  StepOutcome Perform(const PlanStep& step, std::int64_t id) {
    if (step.notUndoable) return NotKept(step);
    switch (step.kind) {
      case StepKind::Rename: return Rename(step, id);
      case StepKind::TagWrite: return TagWrite(step);
      case StepKind::TagAppend: return TagAppend(step);
      case StepKind::TagRemove: return TagRemove(step);
      case StepKind::ContentReplace: return ContentReplace(step, id);
      case StepKind::FileCreate: return FileCreate(step, id);
      case StepKind::FileRemove: return FileRemove(step);
      case StepKind::Id3v2Write: return Id3v2Write(step, id);
      case StepKind::Export:  // performed by RunStep, which journals its parts
      case StepKind::Refuse:
      case StepKind::WalkFailure: break;
    }
    return Tell(step.messageKind, step.message, step.button);
  }

 private:
  StepOutcome Tell(MessageKind kind, std::u32string text,
                   MessageButton button = MessageButton::Ok) {
    if (reporter_ != nullptr) reporter_->Report(kind, text, button);
    return {false, std::move(text)};
  }

  StepOutcome Failed(const PlanStep& step, std::error_code ec,
                     const std::string& stranded = {}) {
    // An appended tag names its file by its full path, whatever failed.
    if (step.kind == StepKind::TagAppend) {
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
        renamer_.Rename(step.directory, step.name, step.newName, &stranded,
                        id != 0 ? JournaledTemporaryName(id) : std::string());
    return ec ? Failed(step, ec, stranded) : Done();
  }

  // A writable file, the usual case, is opened at once; a write-protected
  // one has its protection lifted for the write and put back afterwards.
  static FileHandle OpenToWrite(const std::string& path, std::optional<WritableGuard>& guard,
                                std::error_code& ec) {
    FileHandle file = OpenReadWrite(path, ec);
    if (ec == std::errc::permission_denied) {
      guard.emplace(path);  // its own failure shows up in the open below
      ec.clear();
      file = OpenReadWrite(path, ec);
    }
    return file;
  }

  StepOutcome TagWrite(const PlanStep& step) {
    const std::string path = JoinPath(step.directory, step.name);
    std::optional<WritableGuard> guard;
    std::error_code ec;
    FileHandle file = OpenToWrite(path, guard, ec);
    const std::int64_t size = ec ? 0 : file.Size(ec);
    const std::int64_t start = size - static_cast<std::int64_t>(kTagSize);
    std::string tail;
    if (!ec && start >= 0) ec = ReadAt(file.fd(), start, kTagSize, tail);
    if (ec) return Failed(step, ec);
    if (tail != step.before || step.after.size() != kTagSize) return Changed(step);
    if ((ec = WriteAt(file.fd(), start, step.after)) || (ec = file.Close()) ||
        (guard && (ec = guard->Restore()))) {
      RestoreEnd(path, size, step.before);  // a tag never stays half written
      return Failed(step, ec);
    }
    return Done();
  }

  // The empty tag goes on in one write; one that fails part way is taken
  // back, and a file whose write protection cannot be put back does not
  // keep the tag either.
  StepOutcome TagAppend(const PlanStep& step) {
    const std::string path = JoinPath(step.directory, step.name);
    TagTail tail;
    if (const std::error_code ec = ReadTagTail(path, tail)) return Failed(step, ec);
    if (tail.size != step.sizeBefore || HasTagMarker(tail.bytes)) return Changed(step);
    WritableGuard guard(path);  // its own failure shows up in the open below
    std::error_code ec;
    FileHandle file = OpenReadWrite(path, ec);
    const std::int64_t size = ec ? 0 : file.Size(ec);
    if (ec) return Failed(step, ec);
    if (size != step.sizeBefore) return Changed(step);
    if ((ec = WriteAt(file.fd(), size, EmptyTag())) || (ec = file.Close()) ||
        (ec = guard.Restore())) {
      RestoreEnd(path, size, {});
      return Failed(step, ec);
    }
    return Done();
  }

  StepOutcome TagRemove(const PlanStep& step) {
    const std::string path = JoinPath(step.directory, step.name);
    WritableGuard guard(path);
    std::error_code ec;
    FileHandle file = OpenReadWrite(path, ec);
    const std::int64_t size = ec ? 0 : file.Size(ec);
    const bool appended = size == step.sizeBefore + static_cast<std::int64_t>(kTagSize);
    std::string tail;
    if (!ec && appended) ec = ReadAt(file.fd(), step.sizeBefore, kTagSize, tail);
    if (ec) return Failed(step, ec);
    if (!appended || tail != EmptyTag()) return Changed(step);
    if ((ec = TruncateAt(file.fd(), step.sizeBefore)) || (ec = file.Close()) ||
        (ec = guard.Restore())) {
      RestoreEnd(path, size, tail);
      return Failed(step, ec);
    }
    return Done();
  }

  // Nothing when the file at `path` still holds what the plan found and
  // may be written; otherwise what became of the step.
  std::optional<StepOutcome> Unfit(const PlanStep& step, const std::string& path) {
    bool unchanged = false;
    if (const std::error_code ec = FileHolds(path, step.before, unchanged)) {
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

  // A playlist whose new lines would name a file whose rename failed.
  std::optional<StepOutcome> MissingRenamed(const PlanStep& step) {
    for (const auto& [from, to] : step.renamedFiles) {
      FileStat stat;
      if (StatPath(from, stat) && !StatPath(to, stat)) continue;
      return Tell(MessageKind::Warning,
                  DecodeUtf8(JoinPath(step.directory, step.name)) + std::u32string(kBreak) +
                      std::u32string(kBreak) + U"Playlist nicht angepasst: " +
                      DecodeUtf8(from) + U" wurde nicht umbenannt");
    }
    return std::nullopt;
  }

  StepOutcome ContentReplace(const PlanStep& step, std::int64_t id) {
    const std::string path = JoinPath(step.directory, step.name);
    if (std::optional<StepOutcome> missing = MissingRenamed(step)) return std::move(*missing);
    if (std::optional<StepOutcome> unfit = Unfit(step, path)) return std::move(*unfit);
    if (const std::error_code ec = ReplaceFileAtomically(
            path, step.after, id != 0 ? JournaledTemporaryName(id) : std::string())) {
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
    if (!ec) ec = created.Finish(step.after);
    return ec ? Failed(step, ec) : Done();
  }

  // The tag at the file's start is written in place when the new one is as
  // long as the old (a failed write puts the old bytes back); otherwise the
  // file is rewritten through a temporary file beside it, the audio behind
  // the tag copied as it is.
  StepOutcome Id3v2Write(const PlanStep& step, std::int64_t id) {
    const std::string path = JoinPath(step.directory, step.name);
    std::optional<WritableGuard> guard;
    std::error_code ec;
    FileHandle file = OpenToWrite(path, guard, ec);
    std::string head;
    if (!ec) ec = ReadAt(file.fd(), 0, step.before.size(), head);
    if (ec) return Failed(step, ec);
    if (head != step.before) return Changed(step);
    if (step.after.size() != step.before.size()) {
      file = FileHandle();
      if (guard) guard->Restore();
      return RewriteWithTag(step, path, id);
    }
    if ((ec = WriteAt(file.fd(), 0, step.after)) || (ec = file.Close()) ||
        (guard && (ec = guard->Restore()))) {
      RestoreStart(path, step.before);
      return Failed(step, ec);
    }
    return Done();
  }

  StepOutcome RewriteWithTag(const PlanStep& step, const std::string& path, std::int64_t id) {
    std::string content;
    if (const std::error_code ec = ReadWholeFile(path, content)) return Failed(step, ec);
    if (!content.starts_with(step.before)) return Changed(step);
    content.replace(0, step.before.size(), step.after);
    if (const std::error_code ec = ReplaceFileAtomically(
            path, content, id != 0 ? JournaledTemporaryName(id) : std::string())) {
      return Failed(step, ec);
    }
    return Done();
  }

  // Puts the old tag back after a write in place failed part way.
  static void RestoreStart(const std::string& path, std::string_view before) {
    std::error_code ec;
    FileHandle file = OpenReadWrite(path, ec);
    if (!ec) WriteAt(file.fd(), 0, before);
  }

  StepOutcome FileRemove(const PlanStep& step) {
    const std::string path = JoinPath(step.directory, step.name);
    if (std::optional<StepOutcome> unfit = Unfit(step, path)) return std::move(*unfit);
    if (const std::error_code ec = RemoveFile(path)) return Failed(step, ec);
    return Done();
  }

  Reporter* reporter_;
  std::ostream* standardOut_;
  bool tagOnRead_;
  DirectoryRenamer renamer_;
};

// The old content goes into the journal up to the size it keeps.
void KeepOldContent(const PlanStep& step, JournalAction& action) {
  action.sizeBefore = static_cast<std::int64_t>(step.before.size());
  if (action.sizeBefore <= kMaxKeptContent) action.before = step.before;
}

// Of the new content only the size and hash: undo checks the file against it.
void KeepNewContent(const PlanStep& step, JournalAction& action) {
  action.sizeAfter = static_cast<std::int64_t>(step.after.size());
  action.hashAfter = ContentHash(step.after);
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
  switch (step.kind) {
    case StepKind::Rename:
      action.kind = ActionKind::Rename;
      action.directory = step.directory;
      action.oldName = step.name;
      action.newName = step.newName;
      return true;
    case StepKind::TagWrite:
    case StepKind::Id3v2Write:
      action.kind =
          step.kind == StepKind::TagWrite ? ActionKind::TagWrite : ActionKind::Id3v2Write;
      action.before = step.before;
      action.after = step.after;
      break;
    case StepKind::TagAppend: action.kind = ActionKind::TagAppend; break;
    case StepKind::TagRemove: action.kind = ActionKind::TagRemove; break;
    case StepKind::ContentReplace:
      action.kind = ActionKind::ContentReplace;
      KeepOldContent(step, action);
      KeepNewContent(step, action);
      break;
    case StepKind::FileCreate:
      action.kind = ActionKind::ExportWrite;
      KeepNewContent(step, action);
      break;
    case StepKind::FileRemove:
      action.kind = ActionKind::FileRemove;
      KeepOldContent(step, action);
      break;
    case StepKind::Export:  // its parts are journaled as they are performed
    case StepKind::Refuse:
    case StepKind::WalkFailure: return false;
  }
  action.path = JoinPath(step.directory, step.name);
  if (step.kind == StepKind::TagAppend || step.kind == StepKind::TagRemove) {
    action.sizeBefore = step.sizeBefore;
  }
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
    header.operation = header_.operation;
    header.caption = EncodeUtf8(header_.caption);
    header.parameters = header_.parameters;
    header.directory = header_.directory;
    header.undoes = header_.undoes;
    std::error_code ec;
    batch_ = journal_->BeginBatch(header, ec);
    if (ec) Fail(ec);
    return journal_ != nullptr;
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
};

// Steps recorded per journal transaction; contents kept for undo also
// bound a chunk, as all of it is held in memory at once.
constexpr std::size_t kChunkSteps = 1024;

std::size_t ChunkEnd(const Plan& plan, std::size_t first, std::size_t end) {
  std::int64_t kept = 0;
  std::size_t last = first;
  while (last < end && last - first < kChunkSteps) {
    const StepKind kind = plan.steps[last].kind;
    if (kind == StepKind::ContentReplace || kind == StepKind::FileRemove ||
        kind == StepKind::Id3v2Write) {
      kept += static_cast<std::int64_t>(plan.steps[last].before.size());
      if (kind == StepKind::Id3v2Write) kept += static_cast<std::int64_t>(plan.steps[last].after.size());
      if (kept > kMaxKeptContent && last > first) break;
    }
    ++last;
  }
  return last;
}

// A walk failure ends the batch: nothing after it runs.
std::size_t PlanEnd(const Plan& plan) {
  for (std::size_t i = 0; i < plan.steps.size(); ++i) {
    if (plan.steps[i].kind == StepKind::WalkFailure) return i + 1;
  }
  return plan.steps.size();
}

bool ChangesContent(const PlanStep& step) {
  return step.kind != StepKind::Rename && step.kind != StepKind::Refuse &&
         step.kind != StepKind::WalkFailure && step.kind != StepKind::Export;
}

bool PerformExportStep(StepRunner& runner, JournalWriter& writer, const PlanStep& step,
               ApplyResult& result, std::unordered_set<std::string>& failedFiles);

// Performs one step and settles its journal record. A step whose file
// already failed an earlier change of this plan (the tag write after a tag
// that could not be appended) is skipped without a second message.
bool RunStep(StepRunner& runner, JournalWriter& writer, const PlanStep& step,
             std::int64_t id, std::vector<std::int64_t>& doneIds, ApplyResult& result,
             std::unordered_set<std::string>& failedFiles) {
  if (step.kind == StepKind::Export) return PerformExportStep(runner, writer, step, result, failedFiles);
  const std::string path =
      ChangesContent(step) ? JoinPath(step.directory, step.name) : std::string();
  const StepOutcome outcome = failedFiles.contains(path)
                                  ? StepOutcome{false, U"übersprungen"}
                                  : runner.Perform(step, id);
  if (!outcome.performed && !path.empty()) failedFiles.insert(path);
  if (outcome.performed) {
    ++result.performed;
    if (id != 0) doneIds.push_back(id);
  } else {
    ++result.failed;
    writer.MarkFailed(id, outcome.failure);
  }
  return outcome.performed;
}

// Performs one step on its own: recorded, performed, settled.
bool RunOneStep(StepRunner& runner, JournalWriter& writer, const PlanStep& step,
                ApplyResult& result, std::unordered_set<std::string>& failedFiles) {
  const std::vector<std::int64_t> ids = writer.Record({&step, 1});
  std::vector<std::int64_t> doneIds;
  const bool performed = RunStep(runner, writer, step, ids[0], doneIds, result, failedFiles);
  writer.MarkDone(doneIds);
  return performed;
}

// The changes an export makes on its way, as parts of the batch running it.
class ExportParts : public ExportSteps {
 public:
  ExportParts(StepRunner& runner, JournalWriter& writer, ApplyResult& result,
              std::unordered_set<std::string>& failedFiles)
      : runner_(runner), writer_(writer), result_(result), failedFiles_(failedFiles) {}

  std::int64_t Record(const PlanStep& step) override { return writer_.Record({&step, 1})[0]; }
  void Outcome(std::int64_t id, std::string_view content) override {
    writer_.RecordOutcome(id, content);
  }
  void Settle(std::int64_t id, bool performed, const std::u32string& failure) override {
    if (performed) {
      if (id != 0) writer_.MarkDone({id});
    } else {
      writer_.MarkFailed(id, failure);
    }
  }
  bool Append(const PlanStep& step) override {
    return RunOneStep(runner_, writer_, step, result_, failedFiles_);
  }

 private:
  StepRunner& runner_;
  JournalWriter& writer_;
  ApplyResult& result_;
  std::unordered_set<std::string>& failedFiles_;
};

bool PerformExportStep(StepRunner& runner, JournalWriter& writer, const PlanStep& step,
               ApplyResult& result, std::unordered_set<std::string>& failedFiles) {
  ExportParts parts(runner, writer, result, failedFiles);
  const bool written = step.exportJob != nullptr &&
                       PerformExport(*step.exportJob, step.directory,
                                     {runner.reporter(), runner.standardOut(),
                                      runner.tagOnRead()},
                                     parts);
  ++(written ? result.performed : result.failed);
  result.exported += written ? 1 : 0;
  return written;
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
  ApplyResult result;
  RemoveLeftovers(plan.leftovers, context.reporter);
  StepRunner runner(context);
  JournalWriter writer(context, plan);
  const std::size_t end = PlanEnd(plan);
  std::unordered_set<std::string> failedFiles;
  for (std::size_t first = 0; first < end;) {
    const std::size_t last = ChunkEnd(plan, first, end);
    const std::span<const PlanStep> chunk(plan.steps.data() + first, last - first);
    const std::vector<std::int64_t> ids = writer.Record(chunk);
    std::vector<std::int64_t> doneIds;
    for (std::size_t i = 0; i < chunk.size(); ++i) {
      RunStep(runner, writer, chunk[i], ids[i], doneIds, result, failedFiles);
    }
    writer.MarkDone(doneIds);
    first = last;
  }
  result.batch = writer.End();
  return result;
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
      : context(c), header(h), runner(context), writer(context, header) {}
  ExecutorContext context;
  Plan header;
  StepRunner runner;
  JournalWriter writer;
  std::unordered_set<std::string> failedFiles;
};

StepSession::StepSession(const ExecutorContext& context, const Plan& header)
    : state_(std::make_unique<State>(context, header)) {}

StepSession::~StepSession() { state_->writer.End(); }

bool StepSession::Apply(const PlanStep& step) {
  ApplyResult ignored;
  return RunOneStep(state_->runner, state_->writer, step, ignored, state_->failedFiles);
}

}  // namespace sonavex
