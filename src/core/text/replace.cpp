#include "core/text/replace.h"

#include "core/text/case.h"

namespace sonavex {
namespace {

// Looks for `needle` in `haystack` and copies the matching stretches of
// `text` around it. Folding keeps every character in place, so a position in
// the folded haystack is the same position in the text.
ReplaceResult ReplaceLoop(std::u32string_view text, std::u32string_view haystack,
                          std::u32string_view needle,
                          std::u32string_view replacement) {
  ReplaceResult result;
  if (needle.empty()) {
    result.text = text;
    return result;
  }
  // Room for one replacement without growing: the usual case.
  result.text.reserve(text.size() + replacement.size());
  std::size_t from = 0;
  for (std::size_t p = haystack.find(needle); p != std::u32string_view::npos;
       p = haystack.find(needle, from)) {
    result.text.append(text.substr(from, p - from)).append(replacement);
    from = p + needle.size();
    ++result.count;
  }
  result.text.append(text.substr(from));
  return result;
}

}  // namespace

std::u32string ReplaceAllOccurrences(std::u32string_view search,
                                     std::u32string_view replacement,
                                     std::u32string_view text) {
  if (search == replacement) return std::u32string(text);
  return ReplaceLoop(text, text, search, replacement).text;
}

ReplaceResult ReplaceAllIgnoringCase(std::u32string_view search,
                                     std::u32string_view replacement,
                                     std::u32string_view text) {
  return ReplaceLoop(text, LowCaseUmlaut(text), LowCaseUmlaut(search),
                     replacement);
}

}  // namespace sonavex
