#include <gtest/gtest.h>
#include <sys/stat.h>

#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "core/settings/ini_file.h"
#include "support/test_support.h"

namespace sonavex {
namespace {

using test::TempDir;

TEST(IniFile, ReadsValuesLikeThePrivateProfileServices) {
  TempDir dir;
  test::WriteFile(dir / "s.INI",
                  "; comment\r\n"
                  "[pos]\r\n"
                  "x = 30 \r\n"
                  "[Ersetzen]\n"
                  "V1=' _ '\n"
                  "A1=\"quoted\"\n"
                  "A2='unbalanced\"\n"
                  "Empty=\n"
                  "Flag=1x\n"
                  "Long=" + std::string(1100, 'x') + "\n");
  const IniFile ini(dir / "s.INI");
  EXPECT_EQ(ini.ReadString(U"POS", U"X", U"d"), U"30");
  EXPECT_EQ(ini.ReadInteger(U"Pos", U"x", 0), 30);
  EXPECT_EQ(ini.ReadString(U"Ersetzen", U"v1", U""), U" _ ");
  EXPECT_EQ(ini.ReadString(U"Ersetzen", U"A1", U""), U"quoted");
  EXPECT_EQ(ini.ReadString(U"Ersetzen", U"A2", U""), U"'unbalanced\"");
  EXPECT_EQ(ini.ReadString(U"Ersetzen", U"Empty", U"d"), U"");
  EXPECT_EQ(ini.ReadInteger(U"Ersetzen", U"Empty", 7), 7);
  EXPECT_FALSE(ini.ReadBool(U"Ersetzen", U"Flag", false));
  EXPECT_EQ(ini.ReadString(U"Ersetzen", U"Long", U"").size(), 1023u);
  EXPECT_EQ(ini.ReadString(U"Ersetzen", U"X", U"default"), U"default");
  EXPECT_EQ(ini.ReadString(U"Nope", U"X", U"default"), U"default");
  EXPECT_EQ(IniFile(dir / "missing.INI").ReadString(U"a", U"b", U"d"), U"d");
}

TEST(IniFile, WritesCreateWhatIsMissingAndKeepOtherLines) {
  TempDir dir;
  const IniFile ini(dir / "s.INI");
  ASSERT_FALSE(ini.WriteInteger(U"Pos", U"X", 30));
  ASSERT_FALSE(ini.WriteInteger(U"Pos", U"Y", 42));
  EXPECT_EQ(test::ReadFile(ini.path()), "[Pos]\nX=30\nY=42\n");

  test::WriteFile(ini.path(),
                  "[Pos]\r\nX=30\r\n\r\n; keep me\r\n[Datei]\r\nTyp=*.mp3\r\n");
  ASSERT_FALSE(ini.WriteString(U"pos", U"x", U"31"));
  ASSERT_FALSE(ini.WriteString(U"Pos", U"Y", U"43"));
  ASSERT_FALSE(ini.WriteString(U"Ersetzen", U"V1", U"' _ '"));
  EXPECT_EQ(test::ReadFile(ini.path()),
            "[Pos]\r\nx=31\nY=43\n\r\n; keep me\r\n[Datei]\r\nTyp=*.mp3\r\n"
            "[Ersetzen]\nV1=' _ '\n");
  EXPECT_EQ(ini.ReadString(U"Ersetzen", U"V1", U""), U" _ ");
}

TEST(IniFile, WriteStringsSetsKeysOfSeveralSectionsInOneGo) {
  TempDir dir;
  const IniFile ini(dir / "s.INI");
  const std::string before = "[Pos]\nX=30\n[Datei]\nTyp=*.mp3\n";
  test::WriteFile(ini.path(), before);
  const IniEntry entries[] = {{U"Datei", U"Typ", U"*.wav"},
                              {U"Pos", U"Y", U"42"},
                              {U"Export", U"Tab", U"1"},
                              {U"Pos", U"X", U"31"}};
  ASSERT_FALSE(ini.WriteStrings(entries));
  EXPECT_EQ(test::ReadFile(ini.path()),
            "[Pos]\nX=31\nY=42\n[Datei]\nTyp=*.wav\n[Export]\nTab=1\n");

  // One bad value anywhere refuses the whole set.
  test::WriteFile(ini.path(), before);
  const IniEntry broken[] = {{U"Pos", U"X", U"31"}, {U"Pos", U"Y", U"4\n2"}};
  EXPECT_EQ(ini.WriteStrings(broken), std::errc::invalid_argument);
  EXPECT_EQ(test::ReadFile(ini.path()), before);
}

TEST(IniFile, RefusesLineBreaksAndReportsUnwritableFiles) {
  TempDir dir;
  const IniFile ini(dir / "s.INI");
  ASSERT_FALSE(ini.WriteString(U"Datei", U"Typ", U"*.mp3"));
  EXPECT_EQ(ini.WriteString(U"Datei", U"Typ", U"a\nb"), std::errc::invalid_argument);
  EXPECT_EQ(ini.ReadString(U"Datei", U"Typ", U""), U"*.mp3");

  chmod(dir.path().c_str(), 0555);
  const std::optional<bool> refused = test::CheckUnprivileged(dir.path(), [&] {
    return ini.WriteString(U"Datei", U"Typ", U"*.wav") &&
           ini.ReadString(U"Datei", U"Typ", U"") == U"*.mp3";
  });
  chmod(dir.path().c_str(), 0755);
  if (!refused) GTEST_SKIP() << "an unprivileged user cannot enter " << dir.path();
  EXPECT_TRUE(*refused);
}

// A settings file that exists but cannot be read must not be replaced by
// one holding only the written key.
TEST(IniFile, WriteLeavesAnUnreadableFileAlone) {
  TempDir dir;
  const IniFile ini(dir / "s.INI");
  test::WriteFile(ini.path(), "[Pos]\nX=30\n[Datei]\nTyp=*.wav\n");
  chmod(ini.path().c_str(), 0);
  chmod(dir.path().c_str(), 0777);
  const std::optional<bool> refused = test::CheckUnprivileged(
      dir.path(), [&] { return bool(ini.WriteString(U"Pos", U"Y", U"42")); });
  chmod(ini.path().c_str(), 0644);
  chmod(dir.path().c_str(), 0755);
  if (!refused) GTEST_SKIP() << "an unprivileged user cannot enter " << dir.path();
  EXPECT_TRUE(*refused);
  EXPECT_EQ(test::ReadFile(ini.path()), "[Pos]\nX=30\n[Datei]\nTyp=*.wav\n");
}

// A settings file kept elsewhere and linked in: the link stays, the file it
// leads to gets the new contents, and no temporary file is left over.
TEST(IniFile, WritesThroughSymbolicLinks) {
  struct Case {
    const char* name;
    std::string linkTarget;  // as stored in conf/s.INI
    const char* finalFile;   // relative to the temporary directory
  };
  TempDir dir;
  const Case cases[] = {
      {"relative", "../real/a.INI", "real/a.INI"},
      {"absolute", dir / "real/b.INI", "real/b.INI"},
      {"chain", "c-link.INI", "real/c.INI"},
      {"dangling", "../real/new.INI", "real/new.INI"},
  };
  test::WriteFile(dir / "real/a.INI", "[Pos]\nX=1\n");
  test::WriteFile(dir / "real/b.INI", "[Pos]\nX=1\n");
  test::WriteFile(dir / "real/c.INI", "[Pos]\nX=1\n");
  std::filesystem::create_directories(dir / "conf");
  std::filesystem::create_symlink("../real/c.INI", dir / "conf/c-link.INI");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string link = dir / "conf/s.INI";
    std::filesystem::remove(link);
    std::filesystem::create_symlink(c.linkTarget, link);
    ASSERT_FALSE(IniFile(link).WriteInteger(U"Pos", U"X", 30));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(std::filesystem::read_symlink(link), c.linkTarget);
    EXPECT_EQ(test::ReadFile(dir / c.finalFile), "[Pos]\nX=30\n");
  }
  const auto count = [](const std::string& folder) {
    auto entries = std::filesystem::directory_iterator(folder);
    return std::distance(begin(entries), end(entries));
  };
  EXPECT_EQ(count(dir / "conf"), 2);  // s.INI and c-link.INI
  EXPECT_EQ(count(dir / "real"), 4);
}

TEST(SettingsPathForProgram, ReplacesOrAppendsTheExtension) {
  EXPECT_EQ(SettingsPathForProgram("/opt/tools/Mp3Tool.exe"), "/opt/tools/Mp3Tool.INI");
  EXPECT_EQ(SettingsPathForProgram("/opt/tools/mp3sonavex"), "/opt/tools/mp3sonavex.INI");
  EXPECT_EQ(SettingsPathForProgram("/opt/v1.2/mp3sonavex"), "/opt/v1.2/mp3sonavex.INI");
}

}  // namespace
}  // namespace sonavex
