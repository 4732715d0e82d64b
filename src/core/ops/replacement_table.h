#pragma once
// The user's table of up to ten replacement pairs and its switch.
#include <array>
#include <string>

namespace sonavex {

struct ReplacementPair {
  std::u32string search;
  std::u32string replacement;
};

using ReplacementTable = std::array<ReplacementPair, 10>;

}  // namespace sonavex
