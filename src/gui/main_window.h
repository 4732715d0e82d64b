#pragma once
// The main window "Form1": drive selector, mask field, directory tree, file
// list with its status bar, the info page and the menus.
#include <QMainWindow>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/apply/executor.h"
#include "core/batch/batch.h"
#include "core/batch/plan.h"
#include "core/batch/registry.h"
#include "core/fs/fs.h"
#include "core/fs/volumes.h"
#include "core/journal/journal.h"
#include "core/ops/replacement_table.h"
#include "core/report/reporter.h"
#include "core/session/drive_memory.h"
#include "core/session/session.h"
#include "core/settings/ini_file.h"
#include "gui/batch_host.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QTabWidget;
class QTableView;
class QTreeWidget;
class QTreeWidgetItem;

namespace sonavex {

class FileListModel;
class MainMenu;

// Where the window keeps its undo journal.
std::string WindowJournalPath();

// The windows the menus open; one that is not built yet stays null and its
// command does nothing.
struct DialogSet {
  QWidget* progress = nullptr;       // Form2
  QWidget* anfangEndeLoeschen = nullptr;  // Form3
  QWidget* anfangEndeEinfuegen = nullptr; // Form4
  QWidget* umbenennen = nullptr;     // Form5
  QWidget* suchenName = nullptr;     // Form6
  QWidget* suchenTyp = nullptr;      // Form7
  QWidget* tauschen = nullptr;       // Form8
  QWidget* tagEinlesen = nullptr;    // Form9
  QWidget* nameAusTag = nullptr;     // Form10
  QWidget* exportieren = nullptr;    // Form11
  QWidget* zeichenErsetzen = nullptr;  // Form12
  QWidget* ueber = nullptr;          // Form13
  QWidget* textErsetzen = nullptr;   // Form14
  QWidget* tagSuchenErsetzen = nullptr;  // Form15
  QWidget* tagAnfangEnde = nullptr;  // Form16
  QWidget* verlauf = nullptr;        // the journal's batches
  QWidget* playlisten = nullptr;     // the playlists that follow renames
};

// Where the window finds its volumes and reads directories: the machine's
// own unless a test puts others in place.
struct Storage {
  std::vector<std::string> volumes = ListVolumes();
  std::function<DirectoryListing(const std::string& directory,
                                 std::u32string_view mask, std::error_code& ec)>
      listDirectory = ListDirectory;
};

class MainWindow : public QMainWindow, public BatchHost {
  Q_OBJECT
 public:
  MainWindow(std::string settingsPath, Reporter& reporter, Storage storage = {},
             QWidget* parent = nullptr);
  ~MainWindow() override;

  void setDialogs(const DialogSet& dialogs) { dialogs_ = dialogs; }
  const DialogSet& dialogs() const { return dialogs_; }
  MainMenu& menu() { return *menu_; }
  Reporter& reporter() override { return reporter_; }
  const IniFile& settings() const override { return settings_; }

  // The file list. Entries keep their names as bytes; the text is for
  // showing only.
  int entryCount() const override;
  std::string entryName(int index) const override;
  QString entryText(int index) const;
  bool isMarked(int index) const override;
  void setMarked(int index, bool marked);
  // The same without what a click in the list does (status bar, and loading
  // the file for its summary, which gives an untagged MP3 file its tag).
  void setMarkedQuietly(int index, bool marked) override;
  int SelectedCount() const;
  std::vector<std::string> markedNames() const override;
  // One flag per entry, from the list's selection ranges in a single pass.
  std::vector<bool> markedRows() const;

  const std::string& currentDirectory() const override { return directory_; }
  std::u32string mask() const;
  bool recursive() const;
  QString statusPanelText(int panel) const;
  // The line below the grid: what its last filling found.
  void setGridStatusText(const QString& text);
  QString gridStatusText() const;
  // "ID3v2 mitführen": tag writes keep the ID3v2 tag in step.
  bool id3v2Follows() const;

  // Re-reads the file list from the shown directory; all marks drop, the
  // current entry (by name, where it is still listed) and the scroll
  // position stay.
  void reloadFileList() override;
  // The entry named `oldName` is named `newName` now, in place with its mark.
  void renameEntry(const std::string& oldName, const std::string& newName) override;
  void RefreshView() override;
  void UpdateMenus();
  void MarkAll();
  void MarkNone();
  void InvertMarks();
  void ShowCentred(QWidget* dialog);
  // Moves `window` to the centre of the main window without showing it.
  void PlaceCentred(QWidget* window);
  void FillInfoGrid() override;
  // Runs `code` with `params` over the marked entries, or over the
  // directory (tree) when none is marked, showing its plan first while the
  // preview is on; then re-reads the list. False when the user cancelled
  // in the preview: nothing changed then, and the marks stay.
  bool runSelection(Operation code, const OperationParams& params = NoParams{}) override;
  // Applies `plan` at once with the journal; the list is not re-read.
  ApplyResult applyPlan(const Plan& plan) override;
  bool runExport(const std::string& target, const ExportParams& params) override;
  BatchContext batchContext() override;
  void setTableSource(std::function<ReplacementTable()> source) override {
    tableSource_ = std::move(source);
  }

  // The directory change rule for a directory picked by the user or the
  // program; false (and nothing changed) when it cannot be listed.
  bool changeDirectory(const std::string& directory);
  // Selects a volume in the drive selector, which runs the drive change rule.
  void selectDrive(const std::string& mountPath);
  std::string selectedDrive() const;
  const std::string& lastGoodDrive() const { return drives_.lastGood(); }

  bool replacementActive() const override { return replacementActive_; }
  void setReplacementActive(bool active) override;

  // Supplies the text of status panel 2 for a file that is the only marked
  // entry (the MPEG summary); without one the panel stays empty.
  using FileSummary = std::function<std::u32string(const std::string& path)>;
  void setFileSummary(FileSummary summary) { fileSummary_ = std::move(summary); }
  // Fills the rows of the info grid; called only while its page is active
  // and the list has entries.
  void setGridFiller(std::function<void()> filler) { gridFiller_ = std::move(filler); }
  // Ends an edit of the grid that is still open when the window goes.
  void setGridEditEnd(std::function<void()> end) { gridEditEnd_ = std::move(end); }
  QTableView* infoGrid() const { return infoGrid_; }

  // The session that owns the undo journal (main_window_journal.cpp);
  // without a journal batches run without undo.
  Session& session() { return session_; }
  // Reads again what "Rückgängig" would take back and "Wiederherstellen"
  // apply again, and shows both in the menus.
  void refreshUndoTarget();
  std::int64_t undoTarget() const { return undoTarget_.batch; }
  std::int64_t redoTarget() const { return redoTarget_.batch; }
  // Takes `batch` back (previewed while the preview is on), then re-reads
  // the list. When later batches changed its files again, the user is
  // asked to take those back first; declined, nothing changes.
  void undoBatch(std::int64_t batch);
  // Asked with the later batches (newest first) before `batch` is taken
  // back; true takes them back first. By default a question window asks.
  void setLaterChangesQuestion(LaterFirstQuestion ask) { askLaterFirst_ = std::move(ask); }
  bool previewEnabled() const;
  // Asked with each plan while the preview is on; true applies the plan.
  // By default the preview window asks the user.
  void setPlanConfirmation(std::function<bool(const Plan&)> confirm) {
    confirmPlan_ = std::move(confirm);
  }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildLayout();
  QWidget* buildTopBar();
  QWidget* buildLeftColumn();
  QWidget* buildBottomBar();
  QWidget* buildPages();
  QWidget* buildFileListPage();
  QWidget* buildInfoPage();
  void buildInfoGridHeader();
  void connectMenu();
  void connectDialogCommands();

  // Settings (main_window_settings.cpp).
  void loadSettings();
  void loadFileSelection();
  void saveSettings();
  bool writeSetting(std::u32string_view section, std::u32string_view key,
                    std::u32string_view value);
  // True when `ec` of a settings write is clear; otherwise reports it.
  bool settingWritten(std::error_code ec);

  // Directory, drive and mask (main_window_selectors.cpp).
  std::error_code enterDirectory(const std::string& directory);
  void showDirectoryTree(const std::vector<Subdirectory>& subdirectories);
  void fillVolumeSelector();
  void syncDriveSelector(const std::string& drive);
  void onDriveChanged();
  void onDirectoryItemClicked(QTreeWidgetItem* item);
  void onMaskChanged(const QString& text);
  void fillFileList(std::vector<std::string> names);
  // Shows `names` in place of the list's entries with the same current
  // entry and scroll position.
  void refillKeepingPlace(std::vector<std::string> names);
  void reportDirectoryFailure(const std::string& directory, std::error_code ec);

  SessionPorts sessionPorts();
  void onJournalTrouble(JournalTrouble trouble, std::error_code ec);
  void onPreviewToggled(bool on);
  void onUndoCommand();
  void onRedoCommand();
  // Shows what a batch did: what undo offers, the list read again when the
  // session says so, the status bar.
  void showOutcome(const BatchOutcome& outcome);
  // The same after an undo or a redo, which nothing shows when declined.
  void showTakenBack(const BatchOutcome& outcome, std::error_code ec);

  void onFileListClicked();
  void onFileListDoubleClicked();
  void onPageChanged();
  void onRenameCommand();
  void showStatusSummary();
  void applyMarks(const std::vector<bool>& marked);
  void onMarksChanged();
  void updateMenus(int selectedCount);

  IniFile settings_;
  Reporter& reporter_;
  DialogSet dialogs_;
  MainMenu* menu_ = nullptr;

  QTabWidget* pages_ = nullptr;
  QComboBox* driveSelector_ = nullptr;
  QLineEdit* maskField_ = nullptr;
  QTreeWidget* directoryTree_ = nullptr;
  QListView* fileList_ = nullptr;
  FileListModel* entries_ = nullptr;
  // Marks changed by the program rather than by a click in the list.
  bool marksQuiet_ = false;
  QLabel* panels_[3] = {nullptr, nullptr, nullptr};
  QLabel* gridStatus_ = nullptr;
  QTableView* infoGrid_ = nullptr;
  QWidget* quitButton_ = nullptr;
  bool shownOnce_ = false;

  std::string directory_;
  std::u32string listedMask_;
  DriveMemory drives_;
  bool replacementActive_ = false;
  FileSummary fileSummary_;
  std::function<void()> gridFiller_;
  std::function<ReplacementTable()> tableSource_;
  std::function<void()> gridEditEnd_;
  std::function<bool(const Plan&)> confirmPlan_;
  Storage storage_;
  Session session_;
  UndoTarget undoTarget_;
  UndoTarget redoTarget_;
  LaterFirstQuestion askLaterFirst_;
};

}  // namespace sonavex
