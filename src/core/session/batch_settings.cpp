#include "core/session/batch_settings.h"

#include <utility>

#include "core/settings/ini_file.h"
#include "core/settings/playlist_settings.h"
#include "core/settings/replacement_table_store.h"

namespace sonavex {

void TakeStoredTable(const IniFile& settings, BatchContext& context) {
  StoredReplacementTable stored = LoadReplacementTable(settings);
  context.table = std::move(stored.table);
  context.replacementActive = stored.active;
}

void TakeStoredPlaylists(const IniFile& settings, BatchContext& context) {
  PlaylistSettings playlists = LoadPlaylistSettings(settings);
  context.followPlaylists = playlists.follow;
  context.playlistFolders = std::move(playlists.folders);
}

void TakeStoredBatchSettings(const IniFile& settings, BatchContext& context) {
  TakeStoredTable(settings, context);
  TakeStoredPlaylists(settings, context);
}

}  // namespace sonavex
