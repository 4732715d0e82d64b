#pragma once
// The search-and-replace loops that every rule shares. Both replace from left
// to right without overlap and never search text that a replacement has
// just inserted, so replacing "a" by "aa" ends. An empty search text never
// matches.
#include <cstddef>
#include <string>
#include <string_view>

namespace sonavex {

// Case-sensitive. A search text equal to its replacement leaves the text as
// it is.
std::u32string ReplaceAllOccurrences(std::u32string_view search,
                                     std::u32string_view replacement,
                                     std::u32string_view text);

struct ReplaceResult {
  std::u32string text;
  std::size_t count = 0;  // occurrences replaced
};

// Ignores the letter case of A-Z and the umlauts (both sides folded with
// LowCaseUmlaut). The replacement goes in as typed and the text between
// occurrences keeps its case.
ReplaceResult ReplaceAllIgnoringCase(std::u32string_view search,
                                     std::u32string_view replacement,
                                     std::u32string_view text);

}  // namespace sonavex
