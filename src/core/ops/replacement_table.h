#pragma once
// The user's table of up to ten replacement pairs and its switch.
#include <array>
#include <string>
#include <string_view>

namespace sonavex {

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

}  // namespace sonavex
