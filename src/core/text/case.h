#pragma once
// Letter case and blank helpers shared by every rule of the program.
// They work on code points and never consult the user's locale: only
// a-z, A-Z and the German umlauts change case, and only U+0020 is a blank.
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
// TrimBlanks of the `size` characters at `text`, in place: the new size.
std::size_t TrimBlanksIn(char32_t* text, std::size_t size);

// A UTF-8 name with the letters folded whose case a case-insensitive file
// system ignores: exFAT and NTFS compare names by an up-case table over all
// of Unicode, so Greek or Cyrillic names fold too. Without the C.UTF-8
// locale, ASCII and Latin-1 letters, as far as names in collections use
// them.
std::u32string FoldNameCase(std::string_view name);

}  // namespace sonavex
