#include <QApplication>
#include <cstdlib>
#include <string>

#include "core/settings/location.h"
#include "gui/app_windows.h"
#include "gui/message_box_reporter.h"
#include "gui/program_font.h"
#include "gui/qt_translation.h"

namespace {

// SONAVEX_SETTINGS lets tests and screenshots run on a settings file of
// their own; users never need it.
std::string SettingsPath() {
  if (const char* forced = std::getenv("SONAVEX_SETTINGS"); forced && *forced) {
    return forced;
  }
  const std::string path = sonavex::DefaultSettingsPath(sonavex::RunningProgramPath());
  sonavex::CreateSettingsDirectory(path);
  return path;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  sonavex::InstallQtGermanTranslation(app);
  sonavex::UseProgramFontEverywhere();
  sonavex::MessageBoxReporter reporter;
  sonavex::AppWindows windows = sonavex::CreateWindows(SettingsPath(), reporter);
  reporter.setParent(windows.main.get());
  windows.main->show();
  return app.exec();
}
