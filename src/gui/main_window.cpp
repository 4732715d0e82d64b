#include "gui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QShowEvent>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QUrl>
#include <algorithm>

#include "core/apply/executor.h"
#include "core/batch/planner.h"
#include "core/fs/fs.h"
#include "core/fs/volumes.h"
#include "core/session/batch_settings.h"
#include "core/settings/program_options.h"
#include "gui/dialogs/preview_dialog.h"
#include "gui/help_page.h"
#include "gui/file_list_model.h"
#include "core/text/encoding.h"
#include "gui/main_menu.h"
#include "gui/message_box_reporter.h"
#include "gui/qt_text.h"

namespace sonavex {
namespace {

constexpr int kFileListPage = 0;
constexpr int kInfoPage = 1;

}  // namespace

MainWindow::MainWindow(std::string settingsPath, Reporter& reporter,
                       Storage storage, QWidget* parent)
    : QMainWindow(parent), settings_(std::move(settingsPath)),
      reporter_(reporter), storage_(std::move(storage)),
      session_(WindowJournalPath(), sessionPorts()) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("MP3 Sonavex"));
  setMinimumSize(300, 300);
  menu_ = new MainMenu(menuBar(), this);
  buildLayout();
  connectMenu();
  connectDialogCommands();
  fillVolumeSelector();
  loadSettings();
  buildInfoGridHeader();
  // The preview belongs to the window whose button started the batch, so
  // that the focus goes back there when it closes.
  confirmPlan_ = [this](const Plan& plan) {
    QWidget* starter = QApplication::activeWindow();
    return ConfirmPlanInPreview(plan, starter != nullptr ? starter : this);
  };
  askLaterFirst_ = [this](const BatchSummary& batch, const std::vector<BatchSummary>& later) {
    return AskUndoLaterFirst(batch, later, QApplication::activeWindow());
  };
  (void)session_.OpenJournal();
  refreshUndoTarget();
  RefreshView();
}

MainWindow::~MainWindow() {
  // Before the journal it writes to is closed.
  if (gridEditEnd_) gridEditEnd_();
}

void MainWindow::connectMenu() {
  MainMenu& m = *menu_;
  connect(m.beenden, &QAction::triggered, this, &QWidget::close);
  connect(m.alle, &QAction::triggered, this, &MainWindow::MarkAll);
  connect(m.keine, &QAction::triggered, this, &MainWindow::MarkNone);
  connect(m.umkehr, &QAction::triggered, this, &MainWindow::InvertMarks);
  connect(m.ssStreichen, &QAction::triggered, this, [this] { runSelection(Operation::S); });
  connect(m.grossbuchstaben, &QAction::triggered, this, [this] { runSelection(Operation::G); });
  connect(m.kleinbuchstaben, &QAction::triggered, this, [this] { runSelection(Operation::K); });
  connect(m.umbenennen, &QAction::triggered, this, [this] { onRenameCommand(); });
  connect(m.unterverzeichnisse, &QAction::toggled, this, &MainWindow::RefreshView);
  connect(m.vorschau, &QAction::triggered, this, &MainWindow::onPreviewToggled);
  connect(m.tagBeimLesen, &QAction::triggered, this, [this](bool on) {
    (void)settingWritten(StoreTagOnReadOption(settings_, on));
  });
  connect(m.id3v2Mitfuehren, &QAction::triggered, this, [this](bool on) {
    (void)settingWritten(StoreId3v2Option(settings_, on));
  });
  connect(m.id3v1NachId3v2, &QAction::triggered, this, [this] { runSelection(Operation::V); });
  connect(m.id3v2NachId3v1, &QAction::triggered, this, [this] { runSelection(Operation::Q); });
  for (QAction* undo : {m.rueckgaengig, m.rueckgaengig2}) {
    connect(undo, &QAction::triggered, this, &MainWindow::onUndoCommand);
  }
  for (QAction* redo : {m.wiederherstellen, m.wiederherstellen2}) {
    connect(redo, &QAction::triggered, this, &MainWindow::onRedoCommand);
  }
  connect(m.hilfe, &QAction::triggered, this, [this] { OpenHelpPage(reporter_); });
  // Another program run may have changed the journal since the last batch.
  connect(m.bearbeiten(), &QMenu::aboutToShow, this, &MainWindow::refreshUndoTarget);
  connect(m.popupMenu2, &QMenu::aboutToShow, this, &MainWindow::refreshUndoTarget);
  connect(m.zeichenErsetzen, &QAction::triggered, this, [this] {
    // Qt flips the mark on a click; it belongs to the replacement switch.
    menu_->zeichenErsetzen->setChecked(replacementActive_);
    ShowCentred(dialogs_.zeichenErsetzen);
  });
}

void MainWindow::connectDialogCommands() {
  const std::pair<QAction*, QWidget* DialogSet::*> commands[] = {
      {menu_->exportieren, &DialogSet::exportieren},
      {menu_->tauschen, &DialogSet::tauschen},
      {menu_->loeschen, &DialogSet::anfangEndeLoeschen},
      {menu_->einfuegen, &DialogSet::anfangEndeEinfuegen},
      {menu_->dateiname, &DialogSet::suchenName},
      {menu_->dateityp, &DialogSet::suchenTyp},
      {menu_->text, &DialogSet::textErsetzen},
      {menu_->id3AusName, &DialogSet::tagEinlesen},
      {menu_->nameAusId3, &DialogSet::nameAusTag},
      {menu_->playlisten, &DialogSet::playlisten},
      {menu_->ueber, &DialogSet::ueber},
      {menu_->tagSuchenErsetzen, &DialogSet::tagSuchenErsetzen},
      {menu_->tagAnfangEnde, &DialogSet::tagAnfangEnde},
      {menu_->verlauf, &DialogSet::verlauf},
  };
  for (const auto& [action, dialog] : commands) {
    connect(action, &QAction::triggered, this,
            [this, dialog = dialog] { ShowCentred(dialogs_.*dialog); });
  }
}

int MainWindow::entryCount() const { return entries_->rowCount(); }

std::string MainWindow::entryName(int index) const {
  return entries_->names().at(static_cast<std::size_t>(index));
}

QString MainWindow::entryText(int index) const {
  return entries_->data(entries_->index(index), Qt::DisplayRole).toString();
}

bool MainWindow::isMarked(int index) const {
  return fileList_->selectionModel()->isSelected(entries_->index(index));
}

void MainWindow::setMarked(int index, bool marked) {
  fileList_->selectionModel()->select(
      entries_->index(index), marked ? QItemSelectionModel::Select : QItemSelectionModel::Deselect);
}

void MainWindow::setMarkedQuietly(int index, bool marked) {
  const QScopedValueRollback quiet(marksQuiet_, true);
  setMarked(index, marked);
}

void MainWindow::onMarksChanged() {
  if (!marksQuiet_) onFileListClicked();
}

// Asking each row whether it is selected searches all selection ranges
// for every row; reading the ranges once is linear.
std::vector<bool> MainWindow::markedRows() const {
  std::vector<bool> marked(static_cast<std::size_t>(entryCount()), false);
  for (const QItemSelectionRange& range : fileList_->selectionModel()->selection()) {
    for (int row = range.top(); row <= range.bottom(); ++row) {
      marked[static_cast<std::size_t>(row)] = true;
    }
  }
  return marked;
}

int MainWindow::SelectedCount() const {
  const std::vector<bool> marked = markedRows();
  return static_cast<int>(std::count(marked.begin(), marked.end(), true));
}

std::vector<std::string> MainWindow::markedNames() const {
  const std::vector<bool> marked = markedRows();
  std::vector<std::string> names;
  for (std::size_t row = 0; row < marked.size(); ++row) {
    if (marked[row]) names.push_back(entries_->names()[row]);
  }
  return names;
}

std::u32string MainWindow::mask() const { return ToU32(maskField_->text()); }

bool MainWindow::recursive() const {
  return menu_->unterverzeichnisse->isChecked();
}

QString MainWindow::statusPanelText(int panel) const {
  return panels_[panel]->text();
}

void MainWindow::setGridStatusText(const QString& text) { gridStatus_->setText(text); }

QString MainWindow::gridStatusText() const { return gridStatus_->text(); }

bool MainWindow::id3v2Follows() const { return menu_->id3v2Mitfuehren->isChecked(); }

void MainWindow::RefreshView() {
  QString flags;
  if (recursive()) flags += QLatin1Char('D');
  if (menu_->zeichenErsetzen->isChecked()) flags += QLatin1Char('Z');
  panels_[0]->setText(flags);
  const int selectedCount = SelectedCount();
  panels_[1]->setText(QStringLiteral("%1 : %2").arg(entryCount()).arg(selectedCount));
  panels_[2]->clear();
  updateMenus(selectedCount);
}

void MainWindow::UpdateMenus() { updateMenus(SelectedCount()); }

void MainWindow::updateMenus(int selectedCount) {
  MenuState state;
  state.fileListPageActive = pages_->currentIndex() == kFileListPage;
  state.listHasEntries = entryCount() > 0;
  state.recursive = recursive();
  state.selectedCount = selectedCount;
  state.undoCaption = ToQString(DecodeUtf8(undoTarget_.caption));
  state.undoFiles = undoTarget_.files;
  state.redoCaption = ToQString(DecodeUtf8(redoTarget_.caption));
  state.redoFiles = redoTarget_.files;
  state.journalOpen = session_.journal() != nullptr;
  menu_->applyEnabling(state);
}

namespace {
// The runs of marked rows as selection ranges of `model`.
QItemSelection MarkedRanges(const QAbstractItemModel* model,
                            const std::vector<bool>& marked) {
  QItemSelection ranges;
  const int rows = static_cast<int>(marked.size());
  for (int row = 0; row < rows;) {
    if (!marked[static_cast<std::size_t>(row)]) {
      ++row;
      continue;
    }
    const int first = row;
    while (row < rows && marked[static_cast<std::size_t>(row)]) ++row;
    ranges.select(model->index(first, 0), model->index(row - 1, 0));
  }
  return ranges;
}
}  // namespace

// The new marks go to the selection model as a whole: row by row, each
// change would be merged with and compared against every range before it.
// Clearing first keeps the model's work linear, as it compares the old and
// the new selection only when neither is empty.
void MainWindow::applyMarks(const std::vector<bool>& marked) {
  const QScopedValueRollback quiet(marksQuiet_, true);
  QItemSelectionModel* selection = fileList_->selectionModel();
  selection->clearSelection();
  selection->select(MarkedRanges(entries_, marked), QItemSelectionModel::Select);
}

void MainWindow::MarkAll() {
  applyMarks(std::vector<bool>(static_cast<std::size_t>(entryCount()), true));
  RefreshView();
}

void MainWindow::MarkNone() {
  applyMarks({});
  RefreshView();
}

void MainWindow::InvertMarks() {
  std::vector<bool> marked = markedRows();
  marked.flip();
  applyMarks(marked);
  RefreshView();
}

void MainWindow::ShowCentred(QWidget* dialog) {
  if (dialog == nullptr) return;
  PlaceCentred(dialog);
  dialog->show();
  dialog->raise();
  dialog->activateWindow();
}

void MainWindow::PlaceCentred(QWidget* window) {
  if (!window->testAttribute(Qt::WA_Resized)) window->adjustSize();
  const QRect outer = frameGeometry();
  const QSize size = window->frameGeometry().size();
  window->move(outer.x() + outer.width() / 2 - size.width() / 2,
               outer.y() + outer.height() / 2 - size.height() / 2);
}

void MainWindow::FillInfoGrid() {
  if (pages_->currentIndex() == kInfoPage && entryCount() > 0) {
    if (gridFiller_) gridFiller_();
    return;
  }
  // Going back to the file list is not a page change by the user.
  const QSignalBlocker blocker(pages_);
  pages_->setCurrentIndex(kFileListPage);
  RefreshView();
}

BatchContext MainWindow::batchContext() {
  BatchContext context;
  TakeStoredPlaylists(settings_, context);
  context.mask = mask();
  context.recursive = recursive();
  // The table as its fields stand now, stored or not.
  if (tableSource_) context.table = tableSource_();
  context.replacementActive = replacementActive_;
  context.id3v2FollowsTags = id3v2Follows();
  context.reporter = &reporter_;
  // The window is blocked during a walk; repaint so the user sees where it is.
  context.onDirectoryEntered = [this](const std::string& directory) {
    panels_[2]->setText(PathToQString(directory));
    panels_[2]->repaint();
  };
  return context;
}

bool MainWindow::runSelection(Operation code, const OperationParams& params) {
  const BatchOutcome outcome =
      session_.RunBatch(code, params, directory_, markedNames(), batchContext());
  showOutcome(outcome);
  return outcome.result.has_value();
}

bool MainWindow::runExport(const std::string& target, const ExportParams& params) {
  const BatchOutcome outcome = session_.RunExport(
      PlanExport(target, directory_, markedNames(), batchContext(), params));
  showOutcome(outcome);
  return outcome.result && outcome.result->exported > 0;
}

// Also after a cancelled batch: the walk's directory leaves the status bar.
void MainWindow::showOutcome(const BatchOutcome& outcome) {
  if (outcome.result || outcome.rereadList) refreshUndoTarget();
  if (outcome.rereadList) reloadFileList();
  RefreshView();
}

void MainWindow::setReplacementActive(bool active) {
  replacementActive_ = active;
  menu_->zeichenErsetzen->setChecked(active);
}

void MainWindow::onFileListClicked() {
  RefreshView();
  showStatusSummary();
}

void MainWindow::showStatusSummary() {
  if (!fileSummary_) return;
  const std::vector<std::string> marked = markedNames();
  if (marked.size() != 1) return;
  panels_[2]->setText(ToQString(fileSummary_(JoinPath(directory_, marked.front()))));
}

void MainWindow::onFileListDoubleClicked() {
  const int row = fileList_->currentIndex().row();
  if (row < 0) return;
  const std::string path = JoinPath(directory_, entryName(row));
  QDesktopServices::openUrl(QUrl::fromLocalFile(
      QFile::decodeName(QByteArray::fromStdString(path))));
}

void MainWindow::onPageChanged() {
  FillInfoGrid();
  UpdateMenus();
}

void MainWindow::onRenameCommand() {
  if (SelectedCount() > 0) ShowCentred(dialogs_.umbenennen);
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // The window opens with the input focus on "Beenden".
  if (!event->spontaneous() && !shownOnce_) {
    shownOnce_ = true;
    quitButton_->setFocus();
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  saveSettings();
  QMainWindow::closeEvent(event);
}

}  // namespace sonavex
