#include "core/settings/window_placement.h"

#include <gtest/gtest.h>

#include <string>

#include "core/settings/ini_file.h"
#include "core/text/encoding.h"
#include "support/recording_reporter.h"
#include "support/test_support.h"

namespace sonavex {
namespace {

// A missing or empty key gets its default and the default is stored; a
// key that is no whole number (also one that only starts with digits)
// gets its default and a message naming it, and stays as it is.
TEST(WindowPlacement, DefaultsAreWrittenBackAndNonNumbersNamed) {
  struct Row {
    const char* stored;
    WindowPlacement expected;
    const char* fileAfter;
    const char32_t* message;  // empty: none
  };
  const Row rows[] = {
      {"", {30, 42, 604, 423}, "[Pos]\nX=30\nY=42\nXl=604\nYl=423\n", U""},
      {"[Pos]\nX=-5\nY=7\nXl=\nYl=350\n", {-5, 7, 604, 350},
       "[Pos]\nX=-5\nY=7\nXl=604\nYl=350\n", U""},
      {"[Pos]\nX=12abc\nY=1\nXl=2\nYl=3\n", {30, 1, 2, 3},
       "[Pos]\nX=12abc\nY=1\nXl=2\nYl=3\n", U"\"12abc\" ist keine ganze Zahl (Pos/X)"},
  };
  for (const Row& row : rows) {
    test::TempDir dir;
    const std::string path = dir / "settings.ini";
    if (*row.stored != '\0') test::WriteFile(path, row.stored);
    test::RecordingReporter reporter;
    const WindowPlacement read = LoadWindowPlacement(IniFile(path), reporter);
    EXPECT_EQ(read.x, row.expected.x) << row.stored;
    EXPECT_EQ(read.y, row.expected.y) << row.stored;
    EXPECT_EQ(read.width, row.expected.width) << row.stored;
    EXPECT_EQ(read.height, row.expected.height) << row.stored;
    EXPECT_EQ(test::ReadFile(path), row.fileAfter) << row.stored;
    ASSERT_EQ(reporter.messages.size(), *row.message == U'\0' ? 0u : 1u) << row.stored;
    if (!reporter.messages.empty()) {
      EXPECT_EQ(reporter.messages[0].text, row.message);
    }
  }
}

// Four keys to write back, one message: the first failure stops the rest.
TEST(WindowPlacement, AnUnwritableFileIsReportedOnce) {
  test::TempDir dir;
  test::WriteFile(dir / "blocker", "a file where the settings' folder would be");
  const IniFile ini(dir / "blocker/settings.ini");
  test::RecordingReporter reporter;
  const WindowPlacement read = LoadWindowPlacement(ini, reporter);
  EXPECT_EQ(read.width, 604);
  ASSERT_EQ(reporter.messages.size(), 1u);
  EXPECT_EQ(reporter.messages[0].text, SettingsWriteFailedText(U32(ini.path())));
  EXPECT_TRUE(StoreWindowPlacement(ini, read));
}

}  // namespace
}  // namespace sonavex
