// The main window's keys in the settings file: placement, mask, drive and
// directory, and the replacement switch.
#include <QSignalBlocker>
#include <QTabWidget>
#include <QLineEdit>
#include <cstdlib>

#include "core/fs/volumes.h"
#include "core/settings/program_options.h"
#include "core/settings/replacement_table_store.h"
#include "core/settings/window_placement.h"
#include "core/text/encoding.h"
#include "gui/main_menu.h"
#include "gui/main_window.h"
#include "gui/qt_text.h"

namespace sonavex {
namespace {

constexpr std::u32string_view kDatei = U"Datei";

std::string HomeDirectory() {
  const char* home = std::getenv("HOME");
  return home != nullptr && *home != '\0' ? home : "/";
}

}  // namespace

void MainWindow::loadSettings() {
  {
    const QSignalBlocker blocker(pages_);
    pages_->setCurrentIndex(0);
  }
  // The minimum size raises a stored size below 300 by 300.
  const WindowPlacement placement = LoadWindowPlacement(settings_, reporter_);
  setGeometry(placement.x, placement.y, placement.width, placement.height);
  loadFileSelection();
  setReplacementActive(LoadReplacementSwitch(settings_));
  menu_->vorschau->setChecked(LoadPreviewOption(settings_));
  menu_->tagBeimLesen->setChecked(LoadTagOnReadOption(settings_));
  menu_->id3v2Mitfuehren->setChecked(LoadId3v2Option(settings_));
  drives_.Reached(selectedDrive());
}

void MainWindow::loadFileSelection() {
  std::u32string typ = settings_.ReadString(kDatei, U"Typ", U"");
  if (typ.empty()) typ = U"*.mp3";
  listedMask_ = typ;
  maskField_->setText(ToQString(typ));
  const std::string home = HomeDirectory();
  // Changing to the home volume lands in the home directory, the way a
  // drive change lands in that drive's current directory.
  const std::string homeVolume = VolumeHolding(home, storage_.volumes);
  drives_.Entered(homeVolume, home);
  const std::u32string drive =
      settings_.ReadString(kDatei, U"Laufwerk", DecodeUtf8(homeVolume));
  if (!drive.empty()) selectDrive(EncodeUtf8(drive));
  const std::string directory =
      EncodeUtf8(settings_.ReadString(kDatei, U"Verzeichnis", DecodeUtf8(home)));
  if (!directory.empty() && directory != directory_) changeDirectory(directory);
  // The window must show some directory even when the stored one and its
  // drive are gone.
  if (directory_.empty() && enterDirectory(home)) {
    (void)enterDirectory("/");
  }
  RefreshView();
}

void MainWindow::saveSettings() {
  const bool normal = !isMaximized() && !isMinimized() && !isFullScreen();
  QRect placement = normal ? geometry() : normalGeometry();
  if (!placement.isValid()) placement = geometry();
  // The first failed write ends the saving; one message is enough.
  const WindowPlacement stored{placement.x(), placement.y(), placement.width(),
                               placement.height()};
  (void)(settingWritten(StoreWindowPlacement(settings_, stored)) &&
         writeSetting(kDatei, U"Typ", ToU32(maskField_->text())) &&
         writeSetting(kDatei, U"Laufwerk", DecodeUtf8(selectedDrive())) &&
         writeSetting(kDatei, U"Verzeichnis", DecodeUtf8(directory_)));
}

void MainWindow::onPreviewToggled(bool on) {
  (void)settingWritten(StorePreviewOption(settings_, on));
}

bool MainWindow::writeSetting(std::u32string_view section,
                              std::u32string_view key,
                              std::u32string_view value) {
  return settingWritten(settings_.WriteString(section, key, value));
}

bool MainWindow::settingWritten(std::error_code ec) {
  if (!ec) return true;
  reporter_.Report(MessageKind::Error,
                   SettingsWriteFailedText(DecodeUtf8(settings_.path())));
  return false;
}

}  // namespace sonavex
