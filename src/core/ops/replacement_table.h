#pragma once
// The user's table of up to ten replacement pairs and its switch.
#include <array>
#include <string>
#include <string_view>
#include <system_error>

namespace sonavex {

class IniFile;

struct ReplacementPair {
  std::u32string search;
  std::u32string replacement;
};

using ReplacementTable = std::array<ReplacementPair, 10>;

// Runs pair 1 to pair 10 over the base name, each on the result of the one
// before, case-sensitively; with the switch off the name comes back as it
// is. Pairs with an empty search text or two equal sides do nothing.
std::u32string ApplyReplacementTable(std::u32string_view base,
                                     const ReplacementTable& table,
                                     bool active);

struct StoredReplacementTable {
  ReplacementTable table;
  bool active = false;
};

// Section "Ersetzen": "V1".."V10" and "A1".."A10" (missing keys read as
// empty texts) and "Flag" (missing reads as off).
StoredReplacementTable LoadReplacementTable(const IniFile& ini);

// Writes V1, A1, .., V10, A10, Flag in this order, each text enclosed in
// apostrophes so that blanks at its edges survive, in one rewrite of the
// file: a failure leaves every stored pair as it was.
std::error_code StoreReplacementTable(const IniFile& ini,
                                      const ReplacementTable& table,
                                      bool active);

}  // namespace sonavex
