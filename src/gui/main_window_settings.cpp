// The main window's keys in the settings file: placement, mask, drive and
// directory, and the replacement switch.
#include <QSignalBlocker>
#include <QTabWidget>
#include <QLineEdit>
#include <charconv>
#include <cstdlib>

#include "core/fs/volumes.h"
#include "core/text/encoding.h"
#include "gui/main_menu.h"
#include "gui/main_window.h"
#include "gui/qt_text.h"

namespace sonavex {
namespace {

constexpr std::u32string_view kPos = U"Pos";
constexpr std::u32string_view kDatei = U"Datei";

std::string HomeDirectory() {
  const char* home = std::getenv("HOME");
  return home != nullptr && *home != '\0' ? home : "/";
}

bool ParseDecimal(std::u32string_view text, int& out) {
  const std::string bytes = EncodeUtf8(text);
  const char* end = bytes.data() + bytes.size();
  const auto [stop, error] = std::from_chars(bytes.data(), end, out);
  return error == std::errc() && stop == end;
}

std::u32string Decimal(long value) { return DecodeUtf8(std::to_string(value)); }

}  // namespace

void MainWindow::loadSettings() {
  {
    const QSignalBlocker blocker(pages_);
    pages_->setCurrentIndex(0);
  }
  loadGeometry();
  loadFileSelection();
  setReplacementActive(settings_.ReadBool(U"Ersetzen", U"Flag", false));
  menu_->vorschau->setChecked(settings_.ReadBool(U"Optionen", U"Vorschau", false));
  menu_->tagBeimLesen->setChecked(settings_.ReadBool(U"Optionen", U"TagBeimLesen", true));
  lastGoodDrive_ = selectedDrive();
}

void MainWindow::loadGeometry() {
  const int x = readPosition(U"X", 30);
  const int y = readPosition(U"Y", 42);
  const int width = readPosition(U"Xl", 604);
  const int height = readPosition(U"Yl", 423);
  // The minimum size raises a stored size below 300 by 300.
  setGeometry(x, y, width, height);
}

// An empty or missing key gets its default, which is written back at once.
int MainWindow::readPosition(const char32_t* key, int defaultValue) {
  const std::u32string value = settings_.ReadString(kPos, key, U"");
  if (value.empty()) {
    // One message about an unwritable settings file is enough at start-up.
    if (!startupWriteFailed_) {
      startupWriteFailed_ = !writeSetting(kPos, key, Decimal(defaultValue));
    }
    return defaultValue;
  }
  int number = 0;
  if (!ParseDecimal(value, number)) {
    reporter_.Report(MessageKind::Error,
                     U"\"" + value + U"\" ist keine ganze Zahl (" +
                         std::u32string(kPos) + U"/" + key + U")");
    return defaultValue;
  }
  return number;
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
  lastDirectoryOnDrive_[homeVolume] = home;
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
  (void)(writeSetting(kPos, U"X", Decimal(placement.x())) &&
         writeSetting(kPos, U"Y", Decimal(placement.y())) &&
         writeSetting(kPos, U"Xl", Decimal(placement.width())) &&
         writeSetting(kPos, U"Yl", Decimal(placement.height())) &&
         writeSetting(kDatei, U"Typ", ToU32(maskField_->text())) &&
         writeSetting(kDatei, U"Laufwerk", DecodeUtf8(selectedDrive())) &&
         writeSetting(kDatei, U"Verzeichnis", DecodeUtf8(directory_)));
}

void MainWindow::onPreviewToggled(bool on) {
  (void)writeSetting(U"Optionen", U"Vorschau", on ? U"1" : U"0");
}

bool MainWindow::writeSetting(std::u32string_view section,
                              std::u32string_view key,
                              std::u32string_view value) {
  if (!settings_.WriteString(section, key, value)) return true;
  reporter_.Report(MessageKind::Error,
                   SettingsWriteFailedText(DecodeUtf8(settings_.path())));
  return false;
}

}  // namespace sonavex
