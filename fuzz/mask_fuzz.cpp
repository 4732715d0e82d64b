// The mask matcher against a plain table-filling matcher: any name, any
// mask of ";"-separated patterns with "*" and "?".
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/fs/fs.h"
#include "core/text/case.h"
#include "fuzz_support.h"

namespace sonavex::fuzz {
namespace {

// matches[i][j]: the first i characters of the name match the first j of
// the pattern.
bool TableMatch(std::u32string_view name, std::u32string_view pattern) {
  std::vector<std::vector<char>> matches(name.size() + 1,
                                         std::vector<char>(pattern.size() + 1, 0));
  matches[0][0] = 1;
  for (std::size_t j = 1; j <= pattern.size(); ++j) {
    matches[0][j] = pattern[j - 1] == U'*' && matches[0][j - 1];
  }
  for (std::size_t i = 1; i <= name.size(); ++i) {
    for (std::size_t j = 1; j <= pattern.size(); ++j) {
      const char32_t p = pattern[j - 1];
      if (p == U'*') {
        matches[i][j] = matches[i - 1][j] || matches[i][j - 1];
      } else {
        matches[i][j] = (p == U'?' || p == name[i - 1]) && matches[i - 1][j - 1];
      }
    }
  }
  return matches[name.size()][pattern.size()];
}

bool OnePattern(std::u32string_view name, std::u32string_view pattern) {
  if (pattern.empty()) return false;
  if (TableMatch(name, pattern)) return true;
  return pattern.ends_with(U".*") && name.find(U'.') == std::u32string_view::npos &&
         TableMatch(name, pattern.substr(0, pattern.size() - 2));
}

bool ExpectedMatch(std::u32string_view name, std::u32string_view mask) {
  const std::u32string foldedName = LowCaseUmlaut(name);
  const std::u32string foldedMask = LowCaseUmlaut(mask);
  std::u32string_view rest = foldedMask;
  for (;;) {
    const std::size_t semicolon = rest.find(U';');
    if (OnePattern(foldedName, rest.substr(0, semicolon))) return true;
    if (semicolon == std::u32string_view::npos) return false;
    rest.remove_prefix(semicolon + 1);
  }
}

// Names and masks drawn mostly from a few characters, so that patterns
// meet names often.
std::u32string TakeSmallAlphabet(FuzzedDataProvider& in, std::size_t maxLength) {
  static constexpr char32_t kAlphabet[] = U"aAbä.Ä*?;x";
  std::u32string text;
  const std::size_t length = in.ConsumeIntegralInRange<std::size_t>(0, maxLength);
  for (std::size_t i = 0; i < length && in.remaining_bytes() > 0; ++i) {
    const std::uint8_t pick = in.ConsumeIntegral<std::uint8_t>();
    text.push_back(pick < 200 ? kAlphabet[pick % 10] : static_cast<char32_t>(pick));
  }
  return text;
}

}  // namespace
}  // namespace sonavex::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace sonavex;
  FuzzedDataProvider in(data, size);
  const bool small = in.ConsumeBool();
  const std::u32string name = small ? fuzz::TakeSmallAlphabet(in, 40) : fuzz::TakeText(in, 300);
  const std::u32string mask = small ? fuzz::TakeSmallAlphabet(in, 40) : fuzz::TakeText(in, 300);
  fuzz::Require(MatchesMask(name, mask) == fuzz::ExpectedMatch(name, mask),
                "mask matcher differs from the table");
  fuzz::Require(MatchesMask(name, U"*"), "\"*\" does not match every name");
  fuzz::Require(!MatchesMask(name, U""), "the empty mask matched");
  return 0;
}
