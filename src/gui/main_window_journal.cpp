// The undo journal of the window: opened at start, read for "Rückgängig"
// and "Verlauf", and the preview option.
#include <QAction>
#include <cstdlib>
#include <ctime>

#include "core/text/encoding.h"
#include "gui/dialogs/preview_dialog.h"
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
  confirmPlan_ = [this](const Plan& plan) { return ConfirmPlanInPreview(plan, this); };
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

// The newest batch still in effect; an undo is one too, and taking it back
// applies its batch again.
void MainWindow::refreshUndoTarget() {
  undoTarget_ = {};
  for (const BatchSummary& batch : journalBatches()) {
    if (batch.undoneBy != 0) continue;
    undoTarget_ = {batch.id, ToQString(DecodeUtf8(batch.header.caption)), batch.doneActions};
    break;
  }
  UpdateMenus();
}

bool MainWindow::previewEnabled() const { return menu_->vorschau->isChecked(); }

}  // namespace sonavex
