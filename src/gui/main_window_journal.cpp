// The undo journal of the window: opened at start, read for "Rückgängig"
// and "Verlauf", and the preview option.
#include <QAction>
#include <cstdlib>
#include <ctime>
#include <set>

#include "core/apply/undo.h"
#include "core/fs/fs.h"
#include "core/text/encoding.h"
#include "gui/main_menu.h"
#include "gui/main_window.h"
#include "gui/qt_text.h"

namespace sonavex {
namespace {

// SONAVEX_JOURNAL lets tests and screenshots keep a journal of their own,
// away from the user's.
std::string JournalPath() {
  if (const char* forced = std::getenv("SONAVEX_JOURNAL"); forced && *forced) {
    return forced;
  }
  return DefaultJournalPath();
}

std::int64_t Now() { return static_cast<std::int64_t>(std::time(nullptr)); }

}  // namespace

void MainWindow::openJournal() {
  journalPath_ = JournalPath();
  std::error_code ec;
  journal_ = Journal::Open(journalPath_, Now(), ec);
  if (ec) {
    journal_.reset();
    warnJournalOnce(U"geöffnet", ec);
  }
  refreshUndoTarget();
}

// Without a journal everything still works but cannot be taken back; once
// per run is enough to say so.
void MainWindow::warnJournalOnce(std::u32string_view failure, std::error_code ec) {
  if (journalWarned_) return;
  journalWarned_ = true;
  reporter_.Report(MessageKind::Warning,
                   U"Rückgängig ist nicht möglich: Das Änderungsprotokoll " +
                       DecodeUtf8(journalPath_) + U" kann nicht " + std::u32string(failure) +
                       U" werden." + std::u32string(kBreak) + DecodeUtf8(ec.message()));
}

std::vector<BatchSummary> MainWindow::journalBatches() {
  if (!journal_) return {};
  std::error_code ec;
  std::vector<BatchSummary> batches = journal_->ListBatches(ec);
  if (ec) warnJournalOnce(U"gelesen", ec);
  return batches;
}

// The files a batch changed: an edit in the grid writes one file many
// times. Actions that failed changed nothing.
int MainWindow::filesOf(std::int64_t batch) {
  std::error_code ec;
  std::set<std::string> files;
  for (const JournalAction& action : journal_->ActionsOf(batch, ec)) {
    if (action.state == ActionState::Failed) continue;
    files.insert(action.kind == ActionKind::Rename ? JoinPath(action.directory, action.oldName)
                                                   : action.path);
  }
  if (ec) warnJournalOnce(U"gelesen", ec);
  return static_cast<int>(files.size());
}

// The newest batch still in effect; an undo is one too, and taking it back
// applies its batch again.
void MainWindow::refreshUndoTarget() {
  undoTarget_ = {};
  for (const BatchSummary& batch : journalBatches()) {
    if (batch.undoneBy != 0) continue;
    undoTarget_ = {batch.id, ToQString(DecodeUtf8(batch.header.caption)), filesOf(batch.id)};
    break;
  }
  UpdateMenus();
}

ExecutorContext MainWindow::executorContext() {
  ExecutorContext context;
  context.reporter = &reporter_;
  context.journal = journal_.get();
  context.now = Now;
  context.onJournalFailure = [this](std::error_code ec) {
    warnJournalOnce(U"geschrieben", ec);
  };
  return context;
}

ApplyResult MainWindow::applyPlan(const Plan& plan) {
  const ApplyResult result = ApplyPlan(plan, executorContext());
  refreshUndoTarget();
  return result;
}

std::optional<ApplyResult> MainWindow::previewAndApply(const Plan& plan) {
  if (previewEnabled() && !confirmPlan_(plan)) return std::nullopt;
  return applyPlan(plan);
}

// Taking a batch back is a batch of its own: previewed while the preview is
// on, journaled, and itself undoable.
void MainWindow::undoBatch(std::int64_t batch) {
  if (!journal_) return;
  std::error_code ec;
  const Plan plan = PlanUndo(*journal_, batch, ec);
  if (ec) {
    reporter_.Report(MessageKind::Error, U"Rückgängig ist nicht möglich: " +
                                             DecodeUtf8(ec.message()));
    return;
  }
  if (!previewAndApply(plan)) return;
  reloadFileList();
  RefreshView();
}

// The journal is read again first: the menu may show an older state.
void MainWindow::onUndoCommand() {
  refreshUndoTarget();
  if (undoTarget_.batch != 0) undoBatch(undoTarget_.batch);
}

bool MainWindow::previewEnabled() const { return menu_->vorschau->isChecked(); }

}  // namespace sonavex
