#include "core/text/case.h"

#include <algorithm>
#include <locale.h>
#include <wctype.h>

#include "core/text/encoding.h"

namespace sonavex {

char32_t UpCaseChar(char32_t c) {
  if (c >= U'a' && c <= U'z') return c - 0x20;
  switch (c) {
    case U'\u00E4': return U'\u00C4';
    case U'\u00F6': return U'\u00D6';
    case U'\u00FC': return U'\u00DC';
    default: return c;
  }
}

std::u32string UpCaseUmlaut(std::u32string_view text) {
  std::u32string out(text);
  for (char32_t& c : out) c = UpCaseChar(c);
  return out;
}

std::u32string LowCaseUmlaut(std::u32string_view text) {
  std::u32string out(text);
  for (char32_t& c : out) c = LowCaseChar(c);
  return out;
}

std::u32string TrimBlanks(std::u32string_view text) {
  std::u32string out(text);
  TrimBlanksInPlace(out);
  return out;
}

void TrimBlanksInPlace(std::u32string& text) { text.resize(TrimBlanksIn(text.data(), text.size())); }

namespace {

// The simple case mappings of all of Unicode, as glibc's C.UTF-8 locale
// knows them; nullptr where that locale is missing.
locale_t UnicodeCaseLocale() {
  static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
  return locale;
}

}  // namespace

std::u32string FoldNameCase(std::string_view name) {
  std::u32string text = DecodeUtf8(name);
  if (const locale_t locale = UnicodeCaseLocale()) {
    for (char32_t& c : text) {
      c = static_cast<char32_t>(towupper_l(static_cast<wint_t>(c), locale));
    }
    return text;
  }
  text = LowCaseUmlaut(text);
  for (char32_t& c : text) {
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) c += 0x20;
  }
  return text;
}

}  // namespace sonavex
