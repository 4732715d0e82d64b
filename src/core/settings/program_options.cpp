#include "core/settings/program_options.h"

#include <string_view>

#include "core/settings/ini_file.h"

namespace sonavex {
namespace {

constexpr std::u32string_view kSection = U"Optionen";
constexpr std::u32string_view kPreview = U"Vorschau";
constexpr std::u32string_view kTagOnRead = U"TagBeimLesen";

}  // namespace

bool LoadPreviewOption(const IniFile& ini) { return ini.ReadBool(kSection, kPreview, false); }

std::error_code StorePreviewOption(const IniFile& ini, bool on) {
  return ini.WriteBool(kSection, kPreview, on);
}

bool LoadTagOnReadOption(const IniFile& ini) { return ini.ReadBool(kSection, kTagOnRead, true); }

std::error_code StoreTagOnReadOption(const IniFile& ini, bool on) {
  return ini.WriteBool(kSection, kTagOnRead, on);
}

}  // namespace sonavex
