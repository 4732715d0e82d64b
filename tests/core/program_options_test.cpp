#include <gtest/gtest.h>

#include "core/settings/ini_file.h"
#include "core/settings/program_options.h"
#include "support/test_support.h"

namespace sonavex {
namespace {

TEST(ProgramOptions, Id3v2IsOnByDefaultAndStoredInOptionen) {
  test::TempDir dir;
  const IniFile ini(dir / "settings.ini");
  EXPECT_TRUE(LoadId3v2Option(ini));
  ASSERT_FALSE(StoreId3v2Option(ini, false));
  EXPECT_FALSE(LoadId3v2Option(ini));
  const std::string stored = test::ReadFile(dir / "settings.ini");
  EXPECT_LT(stored.find("[Optionen]"), stored.find("ID3v2=0"));
  EXPECT_NE(stored.find("ID3v2=0"), std::string::npos);
  ASSERT_FALSE(StoreId3v2Option(ini, true));
  EXPECT_TRUE(LoadId3v2Option(ini));
}

}  // namespace
}  // namespace sonavex
