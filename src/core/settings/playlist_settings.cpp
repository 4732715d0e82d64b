#include "core/settings/playlist_settings.h"

#include "core/settings/ini_file.h"
#include "core/text/encoding.h"

namespace sonavex {
namespace {

constexpr std::u32string_view kSection = U"Playlisten";

std::u32string FolderKey(std::size_t index) {
  return U"Ordner" + DecodeUtf8(std::to_string(index + 1));
}

}  // namespace

PlaylistSettings LoadPlaylistSettings(const IniFile& ini) {
  PlaylistSettings settings;
  settings.follow = ini.ReadBool(kSection, U"Anpassen", true);
  for (std::size_t index = 0;; ++index) {
    const std::u32string folder = ini.ReadString(kSection, FolderKey(index), U"");
    if (folder.empty()) break;
    settings.folders.push_back(EncodeUtf8(folder));
  }
  return settings;
}

std::error_code StorePlaylistSettings(const IniFile& ini, const PlaylistSettings& settings) {
  const std::u32string section(kSection);
  std::vector<IniEntry> entries{{section, U"Anpassen", settings.follow ? U"1" : U"0"}};
  for (std::size_t index = 0; index < settings.folders.size(); ++index) {
    entries.push_back({section, FolderKey(index), DecodeUtf8(settings.folders[index])});
  }
  entries.push_back({section, FolderKey(settings.folders.size()), U""});
  return ini.WriteStrings(entries);
}

}  // namespace sonavex
