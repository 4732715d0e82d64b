#include "core/session/session.h"

#include <ctime>
#include <utility>

#include "core/apply/undo.h"
#include "core/batch/planner.h"

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

ApplyResult Session::Apply(const Plan& plan) { return ApplyPlan(plan, executorContext()); }

Plan Session::PlanUndoOf(std::int64_t batch, std::error_code& ec) {
  if (!journal_) return {};
  return PlanUndo(*journal_, batch, ec);
}

std::optional<ApplyResult> Session::Undo(std::int64_t batch, std::error_code& ec) {
  if (!journal_) return std::nullopt;
  const Plan plan = PlanUndoOf(batch, ec);
  if (ec) return std::nullopt;
  return Run(plan);
}

UndoTarget Session::FindUndoTarget() {
  for (const BatchSummary& batch : Batches()) {
    if (batch.undoneBy != 0) continue;
    std::error_code ec;
    const int files = journal_->FilesOf(batch.id, ec);
    if (ec) Trouble(JournalTrouble::Read, ec);
    return {batch.id, batch.header.caption, files};
  }
  return {};
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
  context.onJournalFailure = [this](std::error_code ec) {
    Trouble(JournalTrouble::Write, ec);
  };
  return context;
}

}  // namespace sonavex
