#pragma once
// Letter case and blank helpers shared by every rule of the program.
// They work on code points and never consult the user's locale: only
// a-z, A-Z and the German umlauts change case, and only U+0020 is a blank.
#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

namespace sonavex {

char32_t UpCaseChar(char32_t c);
// Inline: a folder's listing folds every character of every name.
inline char32_t LowCaseChar(char32_t c) {
  if (c >= U'A' && c <= U'Z') return c + 0x20;
  switch (c) {
    case U'\u00C4': return U'\u00E4';
    case U'\u00D6': return U'\u00F6';
    case U'\u00DC': return U'\u00FC';
    default: return c;
  }
}

std::u32string UpCaseUmlaut(std::u32string_view text);
std::u32string LowCaseUmlaut(std::u32string_view text);

// Collapses runs of blanks, strips leading and trailing blanks and drops a
// trailing "..." from texts shorter than a tag field (30 characters).
std::u32string TrimBlanks(std::u32string_view text);
// TrimBlanks of `text` in place.
void TrimBlanksInPlace(std::u32string& text);
// TrimBlanks of the `size` characters at `text`, in place: the new size.
// Also for bytes, where each byte stands for the character of its value.
template <class Char>
std::size_t TrimBlanksIn(Char* text, std::size_t size) {
  constexpr Char kBlank = ' ';
  constexpr Char kDots[] = {'.', '.', '.'};
  // Collapsing every run to one blank, then cutting the edges, gives the
  // same text as deleting the first blank of the first pair over and over.
  // Nothing moves up to the first pair of blanks.
  std::size_t i = 1;
  while (i < size && !(text[i] == kBlank && text[i - 1] == kBlank)) ++i;
  std::size_t kept = std::min(i, size);
  for (; i < size; ++i) {
    if (text[i] == kBlank && kept > 0 && text[kept - 1] == kBlank) continue;
    text[kept++] = text[i];
  }
  std::basic_string_view<Char> out(text, kept);
  if (!out.empty() && out.front() == kBlank) out.remove_prefix(1);
  // A lone blank was already removed above; a longer text keeps at most
  // one trailing blank after the collapse.
  if (out.size() >= 2 && out.back() == kBlank) out.remove_suffix(1);
  if (out.size() < 30 && out.size() >= 3 && out.ends_with(std::basic_string_view<Char>(kDots, 3))) {
    out.remove_suffix(3);
  }
  if (out.data() != text) std::copy(out.begin(), out.end(), text);
  return out.size();
}

// A UTF-8 name with the letters folded whose case a case-insensitive file
// system ignores: exFAT and NTFS compare names by an up-case table over all
// of Unicode, so Greek or Cyrillic names fold too. Without the C.UTF-8
// locale, ASCII and Latin-1 letters, as far as names in collections use
// them.
std::u32string FoldNameCase(std::string_view name);

}  // namespace sonavex
