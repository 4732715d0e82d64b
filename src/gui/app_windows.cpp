#include "gui/app_windows.h"

#include <QDialog>
#include <QFile>

#include "core/ops/export.h"
#include "core/ops/text_replace.h"

#include "gui/dialogs/about_box.h"
#include "gui/dialogs/playlist_options_dialog.h"
#include "gui/dialogs/delete_ends_dialog.h"
#include "gui/dialogs/export_dialog.h"
#include "gui/dialogs/history_dialog.h"
#include "gui/dialogs/insert_ends_dialog.h"
#include "gui/dialogs/name_from_tag_dialog.h"
#include "gui/dialogs/progress_window.h"
#include "gui/dialogs/rename_dialog.h"
#include "gui/dialogs/replacement_table_dialog.h"
#include "gui/dialogs/search_name_dialog.h"
#include "gui/dialogs/search_type_dialog.h"
#include "gui/dialogs/swap_dialog.h"
#include "gui/dialogs/tag_ends_dialog.h"
#include "gui/dialogs/tag_from_name_dialog.h"
#include "gui/dialogs/tag_replace_dialog.h"
#include "gui/dialogs/text_replace_dialog.h"
#include "gui/info_grid.h"
#include "gui/mpeg_summary.h"
#include "gui/qt_text.h"
#include "gui/return_key.h"

namespace sonavex {
namespace {

// The list export that the dialog's choice names.
bool RunListExport(BatchHost& host, const ExportDialog::Choice& choice) {
  ExportParams params;
  params.columns = choice.columns;
  params.separator = choice.separator;
  return host.runExport(QFile::encodeName(choice.target).toStdString(), params);
}

}  // namespace

// The order matters: a dialog that loads stored choices reads the settings
// file after the main window has written its defaults.
AppWindows CreateWindows(const std::string& settingsPath, Reporter& reporter,
                         Storage storage) {
  AppWindows windows;
  windows.main = std::make_unique<MainWindow>(settingsPath, reporter, std::move(storage));
  MainWindow* main = windows.main.get();
  DialogSet dialogs;
  dialogs.progress = windows.progress = new ProgressWindow(main);
  new InfoGrid(*main, *windows.progress);  // owned by the main window
  main->setFileSummary(MpegSummaryLoader(*main));
  dialogs.anfangEndeLoeschen = windows.deleteEnds = new DeleteEndsDialog(*main, main);
  dialogs.anfangEndeEinfuegen = windows.insertEnds = new InsertEndsDialog(*main, main);
  dialogs.umbenennen = windows.rename = new RenameDialog(*main, main);
  dialogs.suchenName = windows.searchName = new SearchNameDialog(*main, main);
  dialogs.suchenTyp = windows.searchType = new SearchTypeDialog(*main, main);
  dialogs.tauschen = windows.swap = new SwapDialog(*main, main);
  // Form9 and Form10 load their stored choices when created.
  dialogs.tagEinlesen = windows.tagFromName = new TagFromNameDialog(*main, main);
  dialogs.nameAusTag = windows.nameFromTag = new NameFromTagDialog(*main, main);
  // Form11 loads the section "Export" when created.
  dialogs.exportieren = windows.exportList = new ExportDialog(*main, main);
  windows.exportList->setStart(
      [main](const ExportDialog::Choice& choice) { return RunListExport(*main, choice); });
  // The replacement dialog loads the stored table and switch when created.
  dialogs.zeichenErsetzen = windows.replacementTable =
      new ReplacementTableDialog(*main, main);
  dialogs.ueber = windows.about = new AboutBox(main);
  dialogs.playlisten = new PlaylistOptionsDialog(*main, main);
  dialogs.textErsetzen = windows.textReplace = new TextReplaceDialog(*main, main);
  windows.textReplace->setStart([main](const QString& search, const QString& replacement) {
    return main->runSelection(Operation::Z, TextReplaceParams{ToU32(search), ToU32(replacement)});
  });
  dialogs.tagSuchenErsetzen = windows.tagReplace = new TagReplaceDialog(*main, main);
  dialogs.tagAnfangEnde = windows.tagEnds = new TagEndsDialog(*main, main);
  dialogs.verlauf = windows.history = new HistoryDialog(
      [main] { return main->session().Batches(); }, [main](std::int64_t batch) { main->undoBatch(batch); },
      [main](std::int64_t batch) { return main->session().FilesOf(batch); }, main);
  main->setDialogs(dialogs);
  LetFocusedButtonsTakeReturn(main);
  for (QDialog* dialog : main->findChildren<QDialog*>(Qt::FindDirectChildrenOnly)) {
    LetFocusedButtonsTakeReturn(dialog);
  }
  return windows;
}

}  // namespace sonavex
