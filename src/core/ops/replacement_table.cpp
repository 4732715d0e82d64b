#include "core/ops/replacement_table.h"

#include "core/settings/ini_file.h"
#include "core/text/encoding.h"
#include "core/text/replace.h"

namespace sonavex {
namespace {

constexpr std::u32string_view kSection = U"Ersetzen";

std::u32string SearchKey(std::size_t row) { return U"V" + U32(std::to_string(row + 1)); }
std::u32string ReplacementKey(std::size_t row) { return U"A" + U32(std::to_string(row + 1)); }

}  // namespace

std::u32string ApplyReplacementTable(std::u32string_view base,
                                     const ReplacementTable& table,
                                     bool active) {
  std::u32string text(base);
  if (!active) return text;
  for (const ReplacementPair& pair : table) {
    text = ReplaceAllOccurrences(pair.search, pair.replacement, text);
  }
  return text;
}

StoredReplacementTable LoadReplacementTable(const IniFile& ini) {
  StoredReplacementTable stored;
  for (std::size_t row = 0; row < stored.table.size(); ++row) {
    stored.table[row].search = ini.ReadString(kSection, SearchKey(row), U"");
    stored.table[row].replacement =
        ini.ReadString(kSection, ReplacementKey(row), U"");
  }
  stored.active = ini.ReadBool(kSection, U"Flag", false);
  return stored;
}

std::error_code StoreReplacementTable(const IniFile& ini,
                                      const ReplacementTable& table,
                                      bool active) {
  for (std::size_t row = 0; row < table.size(); ++row) {
    if (auto ec = ini.WriteString(kSection, SearchKey(row),
                                  U"'" + table[row].search + U"'")) {
      return ec;
    }
    if (auto ec = ini.WriteString(kSection, ReplacementKey(row),
                                  U"'" + table[row].replacement + U"'")) {
      return ec;
    }
  }
  return ini.WriteBool(kSection, U"Flag", active);
}

}  // namespace sonavex
