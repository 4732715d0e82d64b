#include "gui/app_windows.h"

#include "gui/dialogs/about_box.h"
#include "gui/dialogs/progress_window.h"
#include "gui/dialogs/rename_dialog.h"
#include "gui/info_grid.h"
#include "gui/mpeg_summary.h"

namespace sonavex {

// The order matters: a dialog that loads stored choices reads the settings
// file after the main window has written its defaults.
AppWindows CreateWindows(const std::string& settingsPath, Reporter& reporter) {
  AppWindows windows;
  windows.main = std::make_unique<MainWindow>(settingsPath, reporter);
  MainWindow* main = windows.main.get();
  DialogSet dialogs;
  dialogs.progress = windows.progress = new ProgressWindow(main);
  new InfoGrid(*main, *windows.progress);  // owned by the main window
  main->setFileSummary(MpegSummaryLoader(reporter));
  // Form3 "Anfang/Ende löschen" and Form4 "Anfang/Ende einfügen".
  dialogs.umbenennen = windows.rename = new RenameDialog(*main, main);
  // Form6 "Suchen und Ersetzen - Dateiname", Form7 "... - Dateityp",
  // Form8 "Tauschen", Form9 "ID3Tag einlesen", Form10 "Dateiname aus
  // ID3Tag", Form11 "Exportieren", Form12 "Zeichen ersetzen".
  dialogs.ueber = windows.about = new AboutBox(main);
  // Form14 "Text ersetzen", Form15 "ID3Tag Suchen und Ersetzen",
  // Form16 "ID3Tag Anfang/Ende".
  main->setDialogs(dialogs);
  return windows;
}

}  // namespace sonavex
