#include "core/ops/replacement_table.h"

#include "core/text/replace.h"

namespace sonavex {

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

}  // namespace sonavex
