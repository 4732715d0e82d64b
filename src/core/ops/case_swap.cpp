#include "core/ops/case_swap.h"

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

#include "core/text/case.h"
#include "core/text/encoding.h"

namespace sonavex {
namespace {

bool IsWordSeparator(char32_t c) {
  return c == U' ' || c == U'(' || c == U'-' || c == U'.' || c == U'[' ||
         c == U'\\';
}

bool IsAccent(char32_t c) { return c == U'`' || c == U'\u00B4'; }

// Decides the new letter at a word start or inside a word.
using LetterRule = char32_t (*)(char32_t c, bool wordStart);

char32_t RaiseAtWordStart(char32_t c, bool wordStart) {
  return wordStart ? UpCaseChar(c) : c;
}

char32_t LowerInsideWord(char32_t c, bool wordStart) {
  return wordStart ? c : LowCaseChar(c);
}

NameEdit ApplyLetterRule(const NameInput& name, LetterRule rule) {
  std::u32string text = TrimBlanks(name.base);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool wordStart = i == 0 || IsWordSeparator(text[i - 1]);
    text[i] = IsAccent(text[i]) ? U'\'' : rule(text[i], wordStart);
  }
  // Only a name without extension that the rule left as it was can equal
  // the whole old name; that one is not even renamed onto itself.
  if (text == name.base + name.extension) return NameEdit::Keep();
  return NameEdit::RenameTo(std::move(text), name.extension);
}

}  // namespace

NameEdit CapitalizeWords(const NameInput& name) {
  return ApplyLetterRule(name, RaiseAtWordStart);
}

NameEdit LowerInsideWords(const NameInput& name) {
  return ApplyLetterRule(name, LowerInsideWord);
}

NameEdit StripMarker(const NameInput& name) {
  // The added dot lets a marker at the very end of the base name match.
  // "!!s." goes first because "!s." is part of it.
  const std::u32string text = name.base + U".";
  std::size_t p = text.find(U"!!s.");
  if (p == std::u32string::npos) p = text.find(U"!s.");
  if (p == std::u32string::npos) return NameEdit::Keep();
  return NameEdit::RenameTo(name.base.substr(0, p), name.extension);
}

namespace {

constexpr std::u32string_view kPartSeparator = U" - ";
// Everything after the ninth separator stays together as the tenth part, so
// a longer name loses no text.
constexpr std::size_t kMaxParts = 10;

std::vector<std::u32string> SplitParts(std::u32string_view base) {
  std::vector<std::u32string> parts;
  std::size_t from = 0;
  for (std::size_t p = base.find(kPartSeparator);
       p != std::u32string_view::npos && parts.size() + 1 < kMaxParts;
       p = base.find(kPartSeparator, from)) {
    parts.emplace_back(base.substr(from, p - from));
    from = p + kPartSeparator.size();
  }
  parts.emplace_back(base.substr(from));
  return parts;
}

// a and b are valid part numbers (0 = none).
void Rearrange(std::vector<std::u32string>& parts, std::size_t a,
               std::size_t b) {
  if (a == 0 && b >= 1) {
    std::u32string moved = std::move(parts[b - 1]);
    parts.erase(parts.begin() + static_cast<std::ptrdiff_t>(b - 1));
    parts.insert(parts.begin(), std::move(moved));
  } else if (a >= 1 && b == 0) {
    parts.erase(parts.begin() + static_cast<std::ptrdiff_t>(a - 1));
  } else if (a >= 1 && b >= 1) {
    std::swap(parts[a - 1], parts[b - 1]);
  }
}

// Empty parts at the end go with their separators; an empty part between
// others stays.
std::u32string JoinParts(std::vector<std::u32string> parts) {
  while (!parts.empty() && parts.back().empty()) parts.pop_back();
  std::u32string joined;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) joined += kPartSeparator;
    joined += parts[i];
  }
  return joined;
}

Refusal TooFewPartsRefusal(const std::u32string& path) {
  const std::u32string gap = std::u32string(kBreak) + std::u32string(kBreak);
  return {MessageKind::Warning,
          U"Zu wenig Strings im Dateinamen! Die Datei:" + gap + path + gap +
              U"wird nicht umbenannt.",
          MessageButton::Ok};
}

}  // namespace

bool HasWork(const SwapParams& params) { return params.a != params.b; }

NameEdit SwapParts(const NameInput& name, const SwapParams& params) {
  if (name.base.find(kPartSeparator) == std::u32string::npos) {
    return NameEdit::Keep();
  }
  std::vector<std::u32string> parts = SplitParts(name.base);
  // The dialog keeps both numbers within 0..10; negative ones count as 0.
  const auto a = static_cast<std::size_t>(std::max(params.a, 0));
  const auto b = static_cast<std::size_t>(std::max(params.b, 0));
  if (a > parts.size() || b > parts.size()) {
    return NameEdit::Refuse(TooFewPartsRefusal(name.Path()));
  }
  Rearrange(parts, a, b);
  return NameEdit::RenameTo(JoinParts(std::move(parts)), name.extension);
}

}  // namespace sonavex
