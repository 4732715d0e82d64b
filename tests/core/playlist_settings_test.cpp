#include <gtest/gtest.h>

#include "core/settings/ini_file.h"
#include "core/settings/playlist_settings.h"
#include "support/test_support.h"

namespace sonavex {
namespace {

TEST(PlaylistSettings, OnByDefaultAndAShorterListReadsBackAsStored) {
  test::TempDir dir;
  const IniFile ini(dir.path() + "/settings.ini");
  EXPECT_TRUE(LoadPlaylistSettings(ini).follow);
  EXPECT_TRUE(LoadPlaylistSettings(ini).folders.empty());
  ASSERT_FALSE(StorePlaylistSettings(ini, {false, {"/a b", "/Ü"}}));
  ASSERT_FALSE(StorePlaylistSettings(ini, {false, {"/c"}}));
  const PlaylistSettings read = LoadPlaylistSettings(ini);
  EXPECT_FALSE(read.follow);
  EXPECT_EQ(read.folders, std::vector<std::string>{"/c"});
}

}  // namespace
}  // namespace sonavex
