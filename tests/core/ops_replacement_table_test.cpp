#include <gtest/gtest.h>

#include <sstream>

#include "core/ops/replacement_table.h"
#include "core/settings/ini_file.h"
#include "core/settings/replacement_table_store.h"
#include "support/test_support.h"

namespace sonavex {
namespace {

using test::TempDir;

// The keys of the file in the order they stand, without their values.
std::vector<std::string> KeysInFile(const std::string& path) {
  std::istringstream lines(test::ReadFile(path));
  std::vector<std::string> keys;
  for (std::string line; std::getline(lines, line);) {
    const std::size_t equals = line.find('=');
    if (equals != std::string::npos) keys.push_back(line.substr(0, equals));
  }
  return keys;
}

TEST(ReplacementTableSettings, StoredTextsReadBackExactlyKeysInOrder) {
  TempDir dir;
  const IniFile ini(dir / "p.INI");
  ReplacementTable table;
  table[0] = {U"_", U" "};
  table[1] = {U" - ", U"-"};
  table[2] = {U"'", U"\"x\""};
  table[9] = {U"ä", U""};
  ASSERT_FALSE(StoreReplacementTable(ini, table, true));

  const StoredReplacementTable loaded = LoadReplacementTable(ini);
  EXPECT_TRUE(loaded.active);
  for (std::size_t row = 0; row < table.size(); ++row) {
    EXPECT_EQ(loaded.table[row].search, table[row].search) << row;
    EXPECT_EQ(loaded.table[row].replacement, table[row].replacement) << row;
  }
  EXPECT_EQ(KeysInFile(dir / "p.INI"),
            (std::vector<std::string>{
                "V1", "A1", "V2", "A2", "V3", "A3", "V4", "A4", "V5", "A5",
                "V6", "A6", "V7", "A7", "V8", "A8", "V9", "A9", "V10", "A10",
                "Flag"}));
  EXPECT_NE(test::ReadFile(dir / "p.INI").find("A1=' '"), std::string::npos);

  ASSERT_FALSE(StoreReplacementTable(ini, table, false));
  EXPECT_FALSE(LoadReplacementTable(ini).active);
}

TEST(ReplacementTableSettings, MissingKeysReadAsEmptyAndOff) {
  TempDir dir;
  test::WriteFile(dir / "p.INI", "[Ersetzen]\nV2=x\nFlag=7\n");
  StoredReplacementTable loaded = LoadReplacementTable(IniFile(dir / "p.INI"));
  EXPECT_TRUE(loaded.active);  // any non-zero number is on
  EXPECT_EQ(loaded.table[1].search, U"x");
  EXPECT_EQ(loaded.table[1].replacement, U"");
  EXPECT_EQ(loaded.table[0].search, U"");

  loaded = LoadReplacementTable(IniFile(dir / "none.INI"));
  EXPECT_FALSE(loaded.active);
  EXPECT_EQ(loaded.table[9].replacement, U"");
}

TEST(ReplacementTableSettings, StoreReportsAFailedWrite) {
  TempDir dir;
  const IniFile ini(dir / "missing/p.INI");
  EXPECT_TRUE(StoreReplacementTable(ini, ReplacementTable{}, true));
}

// A store that fails half-way must not leave a mix of old and new pairs.
TEST(ReplacementTableSettings, FailedStoreLeavesEveryOldPair) {
  TempDir dir;
  const IniFile ini(dir / "p.INI");
  ReplacementTable old;
  old[0] = {U"_", U" "};
  old[9] = {U"ä", U"ae"};
  ASSERT_FALSE(StoreReplacementTable(ini, old, false));
  const std::string stored = test::ReadFile(ini.path());

  ReplacementTable changed;
  changed[0] = {U"-", U"+"};
  changed[4] = {U"x", U"line\nbreak"};  // the settings file cannot hold it
  changed[9] = {U"ö", U"oe"};
  EXPECT_TRUE(StoreReplacementTable(ini, changed, true));
  EXPECT_EQ(test::ReadFile(ini.path()), stored);
}

}  // namespace
}  // namespace sonavex
