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
  out.resize(TrimBlanksIn(out.data(), out.size()));
  return out;
}

std::size_t TrimBlanksIn(char32_t* text, std::size_t size) {
  // Collapsing every run to one blank, then cutting the edges, gives the
  // same text as deleting the first blank of the first pair over and over.
  std::size_t kept = 0;
  for (std::size_t i = 0; i < size; ++i) {
    if (text[i] == U' ' && kept > 0 && text[kept - 1] == U' ') continue;
    text[kept++] = text[i];
  }
  std::u32string_view out(text, kept);
  if (!out.empty() && out.front() == U' ') out.remove_prefix(1);
  // A lone blank was already removed above; a longer text keeps at most
  // one trailing blank after the collapse.
  if (out.size() >= 2 && out.back() == U' ') out.remove_suffix(1);
  if (out.size() < 30 && out.size() >= 3 && out.ends_with(U"...")) out.remove_suffix(3);
  if (out.data() != text) std::copy(out.begin(), out.end(), text);
  return out.size();
}

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
