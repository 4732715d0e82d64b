#pragma once
// A started program on a temporary directory: $HOME points into it, the
// settings file lives in it and messages are recorded.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "gui/app_windows.h"
#include "gui/program_font.h"
#include "support/recording_reporter.h"
#include "support/test_support.h"

namespace sonavex::test {

// The child of `window` named `name` (its component name).
template <typename T>
T* Child(QWidget* window, const char* name) {
  T* child = window->findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(child, nullptr) << name;
  return child;
}

inline void SetText(QWidget* window, const char* field, const char* text) {
  Child<QLineEdit>(window, field)->setText(QString::fromUtf8(text));
}

class GuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* home = std::getenv("HOME")) savedHome_ = home;
    std::filesystem::create_directories(music);
    setenv("HOME", home.c_str(), 1);
    // Never the user's journal.
    setenv("SONAVEX_JOURNAL", journalPath.c_str(), 1);
    UseProgramFontEverywhere();
  }
  void TearDown() override {
    windows.main.reset();
    setenv("HOME", savedHome_.c_str(), 1);
    unsetenv("SONAVEX_JOURNAL");
  }

  MainWindow& Start() {
    windows.main.reset();
    windows = CreateWindows(settingsPath, reporter, storage);
    return *windows.main;
  }
  // Starts on `directory` with the given mask.
  MainWindow& StartIn(const std::string& directory, const std::string& mask = "*.mp3") {
    WriteFile(settingsPath, "[Datei]\nTyp=" + mask + "\nVerzeichnis=" + directory + "\n");
    return Start();
  }
  void Touch(const std::string& name) { WriteFile(music + "/" + name, "x"); }

  QAction* Action(const char* name) {
    return windows.main->findChild<QAction*>(QString::fromLatin1(name));
  }
  QLineEdit* MaskField() {
    return windows.main->findChild<QLineEdit*>(QStringLiteral("Edit1"));
  }
  QString Panel(int index) { return windows.main->statusPanelText(index); }

  TempDir temp;
  std::string home = temp / "home";
  std::string music = temp / "home/Musik";
  std::string settingsPath = temp / "mp3sonavex.INI";
  std::string journalPath = temp / "journal.sqlite";
  RecordingReporter reporter;
  // The machine's volumes and directories unless a test stands in its own.
  Storage storage;
  AppWindows windows;

 private:
  std::string savedHome_;
};

}  // namespace sonavex::test
