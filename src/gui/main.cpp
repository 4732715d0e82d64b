#include <QApplication>
#include <QCoreApplication>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "core/settings/ini_file.h"
#include "gui/app_windows.h"
#include "gui/message_box_reporter.h"

namespace {

std::string ConfigHome() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && *xdg == '/') return xdg;
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "") + "/.config";
}

// Beside the program while its directory is writable (a build tree);
// an installed program keeps its settings in the user's config directory.
std::string SettingsPath() {
  if (const char* forced = std::getenv("SONAVEX_SETTINGS"); forced && *forced) {
    return forced;
  }
  const std::string program =
      QCoreApplication::applicationFilePath().toLocal8Bit().toStdString();
  const std::string besideProgram = sonavex::SettingsPathForProgram(program);
  const std::string programDirectory =
      std::filesystem::path(program).parent_path().string();
  if (access(programDirectory.c_str(), W_OK) == 0) return besideProgram;
  const std::string directory = ConfigHome() + "/mp3sonavex";
  std::error_code ec;
  std::filesystem::create_directories(directory, ec);
  return directory + "/mp3sonavex.INI";
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  sonavex::MessageBoxReporter reporter;
  sonavex::AppWindows windows = sonavex::CreateWindows(SettingsPath(), reporter);
  reporter.setParent(windows.main.get());
  windows.main->show();
  return app.exec();
}
