#include "core/settings/program_options.h"

#include <string_view>

#include "core/settings/ini_file.h"

namespace sonavex {
namespace {

constexpr std::u32string_view kSection = U"Optionen";
constexpr std::u32string_view kPreview = U"Vorschau";
constexpr std::u32string_view kTagOnRead = U"TagBeimLesen";
constexpr std::u32string_view kId3v2 = U"ID3v2";

}  // namespace

bool LoadPreviewOption(const IniFile& ini) { return ini.ReadBool(kSection, kPreview, false); }

std::error_code StorePreviewOption(const IniFile& ini, bool on) {
  return ini.WriteBool(kSection, kPreview, on);
}

bool LoadTagOnReadOption(const IniFile& ini) { return ini.ReadBool(kSection, kTagOnRead, true); }

std::error_code StoreTagOnReadOption(const IniFile& ini, bool on) {
  return ini.WriteBool(kSection, kTagOnRead, on);
}

bool LoadId3v2Option(const IniFile& ini) { return ini.ReadBool(kSection, kId3v2, true); }

std::error_code StoreId3v2Option(const IniFile& ini, bool on) {
  return ini.WriteBool(kSection, kId3v2, on);
}

}  // namespace sonavex
