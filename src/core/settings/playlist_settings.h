#pragma once
// Whether renames carry the playlists along, and where the playlists lie,
// as the settings file keeps it.
#include <string>
#include <system_error>
#include <vector>

namespace sonavex {

class IniFile;

struct PlaylistSettings {
  bool follow = true;
  std::vector<std::string> folders;
};

// Section "Playlisten": "Anpassen" (missing reads as on) and "Ordner1",
// "Ordner2", .. up to the first one missing or empty.
PlaylistSettings LoadPlaylistSettings(const IniFile& ini);

// Writes Anpassen and the folders in one rewrite of the file; the key after
// the last folder is emptied, so that a shorter list reads back as stored.
std::error_code StorePlaylistSettings(const IniFile& ini, const PlaylistSettings& settings);

}  // namespace sonavex
