// The window of the playlists that follow renames: it shows what the
// settings hold and stores what the user leaves in it.
#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <gtest/gtest.h>

#include "core/settings/playlist_settings.h"
#include "gui/dialogs/playlist_options_dialog.h"
#include "starter_double.h"
#include "support/test_support.h"

namespace sonavex::test {
namespace {

TEST(PlaylistOptionsDialog, ShowsAndStoresTheSettings) {
  TempDir dir;
  StarterDouble host(dir / "s.INI");
  ASSERT_FALSE(StorePlaylistSettings(host.settings(), {true, {"/a", "/b"}}));
  PlaylistOptionsDialog dialog(host);
  dialog.show();
  auto* follow = dialog.findChild<QCheckBox*>(QStringLiteral("Anpassen"));
  auto* folders = dialog.findChild<QListWidget*>(QStringLiteral("Ordner"));
  ASSERT_TRUE(follow != nullptr && folders != nullptr);
  EXPECT_TRUE(follow->isChecked());
  ASSERT_EQ(folders->count(), 2);
  follow->setChecked(false);
  folders->setCurrentRow(0);
  dialog.findChild<QPushButton*>(QStringLiteral("Entfernen"))->click();
  dialog.accept();
  const PlaylistSettings stored = LoadPlaylistSettings(host.settings());
  EXPECT_FALSE(stored.follow);
  EXPECT_EQ(stored.folders, std::vector<std::string>{"/b"});
}

}  // namespace
}  // namespace sonavex::test
