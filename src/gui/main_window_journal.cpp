// The window's side of the session: the journal's wording of failures,
// "Rückgängig" and "Verlauf", and the preview option.
#include <QAction>
#include <cstdlib>

#include "core/text/encoding.h"
#include "gui/dialogs/batch_progress_window.h"
#include "gui/main_menu.h"
#include "gui/main_window.h"

namespace sonavex {

// SONAVEX_JOURNAL lets tests and screenshots keep a journal of their own,
// away from the user's.
std::string WindowJournalPath() {
  if (const char* forced = std::getenv("SONAVEX_JOURNAL"); forced && *forced) {
    return forced;
  }
  return DefaultJournalPath();
}

SessionPorts MainWindow::sessionPorts() {
  SessionPorts ports;
  ports.reporter = &reporter_;
  ports.previewOn = [this] { return previewEnabled(); };
  ports.tagOnRead = [this] { return menu_->tagBeimLesen->isChecked(); };
  ports.confirm = [this](const Plan& plan) { return confirmPlan_(plan); };
  ports.batchContext = [this] { return batchContext(); };
  ports.journalTrouble = [this](JournalTrouble trouble, std::error_code ec) {
    onJournalTrouble(trouble, ec);
  };
  // A child of the window, which owns it; tests find it by its name.
  ports.progress = new BatchProgressWindow(this);
  return ports;
}

// Without a journal everything still works but cannot be taken back; the
// session says so once per run.
void MainWindow::onJournalTrouble(JournalTrouble trouble, std::error_code ec) {
  static constexpr const char32_t* kFailures[] = {U"geöffnet", U"gelesen", U"geschrieben"};
  reporter_.Report(MessageKind::Warning,
                   U"Rückgängig ist nicht möglich: Das Änderungsprotokoll " +
                       DecodeUtf8(session_.journalPath()) + U" kann nicht " +
                       kFailures[static_cast<int>(trouble)] + U" werden." +
                       std::u32string(kBreak) + DecodeUtf8(ec.message()));
}

// Undos and redos are no steps of their own, nor are the tags given on
// reading: what the two items name comes from the user's batches.
void MainWindow::refreshUndoTarget() {
  undoTarget_ = session_.FindUndoTarget();
  redoTarget_ = session_.FindRedoTarget();
  UpdateMenus();
}

ApplyResult MainWindow::applyPlan(const Plan& plan) {
  const ApplyResult result = session_.Apply(plan);
  refreshUndoTarget();
  return result;
}

// Taking a batch back is a batch of its own: previewed while the preview is
// on, journaled, and itself undoable.
void MainWindow::undoBatch(std::int64_t batch) {
  std::error_code ec;
  showTakenBack(session_.UndoAsking(batch, askLaterFirst_, ec), ec);
}

void MainWindow::showTakenBack(const BatchOutcome& outcome, std::error_code ec) {
  if (ec) {
    reporter_.Report(MessageKind::Error, U"Rückgängig ist nicht möglich: " +
                                             DecodeUtf8(ec.message()));
  }
  if (outcome.rereadList) showOutcome(outcome);
}

// The journal is read again first: the menu may show an older state.
void MainWindow::onUndoCommand() {
  refreshUndoTarget();
  if (undoTarget_.batch != 0) undoBatch(undoTarget_.batch);
}

// Applying a batch again takes back its undo.
void MainWindow::onRedoCommand() {
  refreshUndoTarget();
  std::error_code ec;
  showTakenBack(session_.RedoAsking(redoTarget_.batch, askLaterFirst_, ec), ec);
}

bool MainWindow::previewEnabled() const { return menu_->vorschau->isChecked(); }

}  // namespace sonavex
