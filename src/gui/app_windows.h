#pragma once
// Every window of the program, created once at start-up in a fixed order and
// living until the main window closes.
#include <memory>
#include <string>

#include "gui/main_window.h"

namespace sonavex {

class ProgressWindow;
class RenameDialog;
class AboutBox;

struct AppWindows {
  std::unique_ptr<MainWindow> main;  // Form1; owns the windows below
  ProgressWindow* progress = nullptr;  // Form2
  RenameDialog* rename = nullptr;      // Form5
  AboutBox* about = nullptr;           // Form13
};

AppWindows CreateWindows(const std::string& settingsPath, Reporter& reporter);

}  // namespace sonavex
