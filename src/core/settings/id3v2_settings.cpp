#include "core/settings/id3v2_settings.h"

#include "core/settings/ini_file.h"

namespace sonavex {
namespace {

constexpr std::u32string_view kSection = U"Optionen";
constexpr std::u32string_view kKey = U"ID3v2";

}  // namespace

bool LoadId3v2FollowsTags(const IniFile& ini) { return ini.ReadBool(kSection, kKey, true); }

std::error_code StoreId3v2FollowsTags(const IniFile& ini, bool on) {
  return ini.WriteBool(kSection, kKey, on);
}

}  // namespace sonavex
