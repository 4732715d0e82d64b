#include "core/text/replace.h"

#include "core/text/case.h"

namespace sonavex {
namespace {

// Whether a character other than `c` folds to `c`.
bool HasOtherCase(char32_t c) {
  return (c >= U'a' && c <= U'z') || c == U'\u00E4' || c == U'\u00F6' || c == U'\u00FC';
}

// Where `needle` starts in `text` from `from` on, each character of `text`
// folded as it is compared: no folded copy of the text is made. A needle
// that starts with a character no other folds to (a blank, a digit, a
// dash) is looked for by that character alone first.
std::size_t FindFolded(std::u32string_view text, std::u32string_view foldedNeedle,
                       std::size_t from) {
  if (foldedNeedle.size() > text.size()) return std::u32string_view::npos;
  const std::size_t last = text.size() - foldedNeedle.size();
  const char32_t first = foldedNeedle[0];
  const bool exactFirst = !HasOtherCase(first);
  for (std::size_t p = from; p <= last; ++p) {
    if (exactFirst ? text[p] != first : LowCaseChar(text[p]) != first) continue;
    std::size_t k = 1;
    while (k < foldedNeedle.size() && LowCaseChar(text[p + k]) == foldedNeedle[k]) ++k;
    if (k == foldedNeedle.size()) return p;
  }
  return std::u32string_view::npos;
}

// Copies `text` with each stretch that `find` finds for `needle` replaced.
// Folding keeps every character in place, so a position found in the
// folded text is the same position in the text.
template <class Find>
ReplaceResult ReplaceLoop(std::u32string_view text, std::u32string_view needle,
                          std::u32string_view replacement, Find find) {
  ReplaceResult result;
  if (needle.empty()) {
    result.text = text;
    return result;
  }
  // Room for one replacement without growing: the usual case.
  result.text.reserve(text.size() + replacement.size());
  std::size_t from = 0;
  for (std::size_t p = find(text, needle, 0); p != std::u32string_view::npos;
       p = find(text, needle, from)) {
    result.text.append(text.substr(from, p - from)).append(replacement);
    from = p + needle.size();
    ++result.count;
  }
  result.text.append(text.substr(from));
  return result;
}

std::size_t FindExactly(std::u32string_view text, std::u32string_view needle, std::size_t from) {
  return text.find(needle, from);
}

}  // namespace

std::u32string ReplaceAllOccurrences(std::u32string_view search,
                                     std::u32string_view replacement,
                                     std::u32string_view text) {
  if (search == replacement) return std::u32string(text);
  return ReplaceLoop(text, search, replacement, FindExactly).text;
}

ReplaceResult ReplaceAllIgnoringCase(std::u32string_view search,
                                     std::u32string_view replacement,
                                     std::u32string_view text) {
  return ReplaceLoop(text, LowCaseUmlaut(search), replacement, FindFolded);
}

}  // namespace sonavex
