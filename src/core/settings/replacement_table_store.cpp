#include "core/settings/replacement_table_store.h"

#include <string>
#include <vector>

#include "core/settings/ini_file.h"
#include "core/text/encoding.h"

namespace sonavex {
namespace {

constexpr std::u32string_view kSection = U"Ersetzen";

// "V1".."V10" for the search texts, "A1".."A10" for the replacements.
std::u32string Key(char32_t letter, std::size_t row) {
  std::u32string key(1, letter);
  key.append(U32(std::to_string(row + 1)));
  return key;
}
std::u32string SearchKey(std::size_t row) { return Key(U'V', row); }
std::u32string ReplacementKey(std::size_t row) { return Key(U'A', row); }

// Apostrophes keep the blanks at the edges of a text through the settings
// reader, which strips blanks and then one pair of enclosing quotes.
std::u32string Quoted(std::u32string_view text) {
  std::u32string quoted;
  quoted.reserve(text.size() + 2);
  quoted.push_back(U'\'');
  quoted.append(text);
  quoted.push_back(U'\'');
  return quoted;
}

}  // namespace

StoredReplacementTable LoadReplacementTable(const IniFile& ini) {
  StoredReplacementTable stored;
  for (std::size_t row = 0; row < stored.table.size(); ++row) {
    stored.table[row].search = ini.ReadString(kSection, SearchKey(row), U"");
    stored.table[row].replacement =
        ini.ReadString(kSection, ReplacementKey(row), U"");
  }
  stored.active = LoadReplacementSwitch(ini);
  return stored;
}

bool LoadReplacementSwitch(const IniFile& ini) { return ini.ReadBool(kSection, U"Flag", false); }

std::error_code StoreReplacementTable(const IniFile& ini,
                                      const ReplacementTable& table,
                                      bool active) {
  const std::u32string section(kSection);
  std::vector<IniEntry> entries;
  entries.reserve(2 * table.size() + 1);
  for (std::size_t row = 0; row < table.size(); ++row) {
    entries.push_back({section, SearchKey(row), Quoted(table[row].search)});
    entries.push_back({section, ReplacementKey(row), Quoted(table[row].replacement)});
  }
  entries.push_back({section, U"Flag", active ? U"1" : U"0"});
  return ini.WriteStrings(entries);
}

}  // namespace sonavex
