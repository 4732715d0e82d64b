#include "core/session/session.h"

#include <ctime>
#include <utility>

#include "core/apply/tag_on_read.h"
#include "core/apply/undo.h"
#include "core/batch/planner.h"
#include "core/batch/playlist_steps.h"
#include "core/session/history.h"
#include "core/text/encoding.h"
#include "core/text/path.h"

namespace sonavex {

std::int64_t SecondsNow() { return static_cast<std::int64_t>(std::time(nullptr)); }

Session::Session(std::string journalPath, SessionPorts ports)
    : journalPath_(std::move(journalPath)), ports_(std::move(ports)) {
  if (!ports_.now) ports_.now = SecondsNow;
}

Session::~Session() = default;

std::error_code Session::OpenJournal() {
  if (opened_) return {};
  opened_ = true;
  std::error_code ec;
  journal_ = Journal::Open(journalPath_, ports_.now(), ec);
  if (ec) {
    journal_.reset();
    Trouble(JournalTrouble::Open, ec);
  }
  return ec;
}

void Session::Trouble(JournalTrouble trouble, std::error_code ec) {
  if (troubleTold_) return;
  troubleTold_ = true;
  if (ports_.journalTrouble) ports_.journalTrouble(trouble, ec);
}

Plan Session::PlanBatch(Operation code, const OperationParams& params,
                        const std::string& directory,
                        const std::vector<std::string>& markedNames,
                        const BatchContext& context) const {
  return PlanSelection(code, params, directory, markedNames, context);
}

std::optional<ApplyResult> Session::Run(const Plan& plan) {
  if (PreviewOn() && ports_.confirm && !ports_.confirm(plan)) return std::nullopt;
  return Apply(plan);
}

namespace {

// The tag batches over the whole directory change no name.
bool KeepsFileList(Operation code) {
  const OperationInfo& info = InfoOf(code);
  return info.family == OperationFamily::Tag && info.ignoresMarks;
}

}  // namespace

BatchOutcome Session::RunBatch(Operation code, const OperationParams& params,
                               const std::string& directory,
                               const std::vector<std::string>& markedNames,
                               const BatchContext& context) {
  BatchOutcome outcome;
  BatchContext planned = context;
  // Without a preview the plan runs the moment it is made.
  planned.appliedAtOnce = !PreviewOn();
  outcome.result = Run(PlanBatch(code, params, directory, markedNames, planned));
  outcome.rereadList = outcome.result && !KeepsFileList(code);
  return outcome;
}

BatchOutcome Session::RunExport(const Plan& plan) {
  BatchOutcome outcome;
  outcome.result = Run(plan);
  outcome.rereadList = outcome.result && outcome.result->exported > 0;
  return outcome;
}

ApplyResult Session::Apply(const Plan& plan) {
  stopRequested_.store(false, std::memory_order_relaxed);
  ExecutorContext context = executorContext();
  BatchProgress* progress = ports_.progress;
  context.stopRequested = [this, progress] {
    return stopRequested_.load(std::memory_order_relaxed) ||
           (progress != nullptr && progress->StopRequested());
  };
  if (progress != nullptr) {
    progress->Begin();
    context.progress = [progress](int done, int total) { progress->Advance(done, total); };
  }
  const ApplyResult result = ApplyPlan(plan, context);
  if (progress != nullptr) progress->End();
  if (result.stopped && ports_.reporter != nullptr) {
    ports_.reporter->Report(MessageKind::Warning,
                            U"Abgebrochen: " + DecodeUtf8(std::to_string(result.performed)) +
                                U" von " + DecodeUtf8(std::to_string(plan.steps.size())) +
                                U" Änderungen ausgeführt");
  }
  return result;
}

Plan Session::PlanUndoOf(std::int64_t batch, std::error_code& ec, bool appliedAtOnce) {
  if (!journal_) return {};
  Plan plan = PlanUndo(*journal_, batch, ec, appliedAtOnce);
  if (!ec && ports_.batchContext) AddPlaylistSteps(RenamedFolders(plan), ports_.batchContext(), plan);
  return plan;
}

std::optional<ApplyResult> Session::Undo(std::int64_t batch, std::error_code& ec) {
  if (!journal_) return std::nullopt;
  // Without a preview the plan runs the moment it is made.
  const Plan plan = PlanUndoOf(batch, ec, !PreviewOn());
  if (ec) return std::nullopt;
  return Run(plan);
}

std::optional<ApplyResult> Session::Redo(std::int64_t batch, std::error_code& ec) {
  const std::vector<BatchSummary> batches = Batches();
  const BatchSummary* found = FindBatch(batches, batch);
  if (found == nullptr || found->undoneBy == 0) {
    ec = std::make_error_code(std::errc::invalid_argument);
    return std::nullopt;
  }
  return Undo(found->undoneBy, ec);
}

std::vector<BatchSummary> Session::LaterChanges(std::int64_t batch, std::error_code& ec) {
  ec.clear();
  if (!journal_) return {};
  const std::vector<BatchSummary> batches = journal_->ListBatches(ec);
  if (ec) return {};
  return LaterChangesOf(*journal_, batches, batch, ec);
}

std::optional<ApplyResult> Session::UndoWithLater(std::int64_t batch, std::error_code& ec) {
  for (const BatchSummary& later : LaterChanges(batch, ec)) {
    if (ec) return std::nullopt;
    std::optional<ApplyResult> result = Undo(later.id, ec);
    // A stopped undo stops the rest: `batch` is not taken back half-way.
    if (!result || result->stopped) return result;
  }
  if (ec) return std::nullopt;
  return Undo(batch, ec);
}

BatchOutcome Session::UndoAsking(std::int64_t batch, const LaterFirstQuestion& ask,
                                 std::error_code& ec) {
  if (!LaterChangesMayGo(batch, ask, ec)) return {};
  return {UndoWithLater(batch, ec), true};
}

// True when no later batch changed the files of `batch` again, or `ask`
// lets those be taken back first. A journal that cannot be read is left to
// the undo, which reports it.
bool Session::LaterChangesMayGo(std::int64_t batch, const LaterFirstQuestion& ask,
                                std::error_code& ec) {
  const std::vector<BatchSummary> later = LaterChanges(batch, ec);
  if (ec || later.empty()) return true;
  const std::vector<BatchSummary> batches = Batches();
  const BatchSummary* summary = FindBatch(batches, batch);
  return summary != nullptr && ask(*summary, later);
}

BatchOutcome Session::RedoAsking(std::int64_t batch, const LaterFirstQuestion& ask,
                                 std::error_code& ec) {
  const std::vector<BatchSummary> batches = Batches();
  const BatchSummary* found = FindBatch(batches, batch);
  if (found == nullptr || found->undoneBy == 0) return {};
  return UndoAsking(found->undoneBy, ask, ec);
}

std::int64_t Session::JoinTagsOnRead(std::int64_t previous) {
  const std::vector<BatchSummary> batches = Batches();
  if (batches.empty() || !IsTagOnRead(batches[0])) return 0;
  const std::int64_t newest = batches[0].id;
  if (previous == 0 || previous == newest) return newest;
  // Anything between the two starts a new batch.
  const std::error_code ec = journal_->JoinBatch(previous, newest);
  if (ec && ec != std::errc::invalid_argument) Trouble(JournalTrouble::Write, ec);
  return ec ? newest : previous;
}

ClickedFile Session::ReadClickedFile(const std::string& path, const std::string& folder) {
  ClickedFile clicked;
  {
    TagOnRead tags(executorContext());
    clicked.error = clicked.info.SetDatei(path, tags.Appender());
    clicked.tagged = tags.End();
  }
  if (clicked.tagged) {
    if (folder != clickedFolder_) {
      clickedFolder_ = folder;
      clickedBatch_ = 0;
    }
    clickedBatch_ = JoinTagsOnRead(clickedBatch_);
  }
  if (clicked.error) {
    const PathParts parts = SplitPath(path);
    ports_.reporter->Report(MessageKind::Error,
                            FailureMessageText(clicked.error, DecodeUtf8(parts.directory),
                                               DecodeUtf8(parts.name)));
  }
  return clicked;
}

UndoTarget Session::TargetOf(const std::vector<BatchSummary>& batches, std::int64_t batch) {
  const BatchSummary* found = FindBatch(batches, batch);
  if (found == nullptr) return {};
  return {batch, found->header.caption, FilesOf(batch)};
}

int Session::FilesOf(std::int64_t batch) {
  if (!journal_) return 0;
  std::error_code ec;
  const int files = journal_->FilesOf(batch, ec);
  if (ec) Trouble(JournalTrouble::Read, ec);
  return files;
}

UndoTarget Session::FindUndoTarget() {
  const std::vector<BatchSummary> batches = Batches();
  return TargetOf(batches, NewestUndoable(batches));
}

UndoTarget Session::FindRedoTarget() {
  const std::vector<BatchSummary> batches = Batches();
  return TargetOf(batches, NewestRedoable(batches));
}

std::vector<BatchSummary> Session::Batches() {
  if (!journal_) return {};
  std::error_code ec;
  std::vector<BatchSummary> batches = journal_->ListBatches(ec);
  if (ec) Trouble(JournalTrouble::Read, ec);
  return batches;
}

ExecutorContext Session::executorContext() {
  ExecutorContext context;
  context.reporter = ports_.reporter;
  context.journal = journal_.get();
  context.now = ports_.now;
  context.tagOnRead = !ports_.tagOnRead || ports_.tagOnRead();
  context.onJournalFailure = [this](std::error_code ec) {
    Trouble(JournalTrouble::Write, ec);
  };
  return context;
}

}  // namespace sonavex
