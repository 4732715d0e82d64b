#include <gtest/gtest.h>

#include "gui/qt_text.h"

namespace sonavex {
namespace {

// Escaped bytes (U+DC80..U+DCFF) next to characters outside the BMP, whose
// UTF-16 form is itself a surrogate pair.
TEST(QtText, EditableTextGivesEveryByteAndCharacterBack) {
  const char32_t e9 = 0xDCE9, x80 = 0xDC80, xff = 0xDCFF;
  const std::u32string cases[] = {
      std::u32string(U"caf") + e9 + U".mp3",
      std::u32string(U"\U0001F600") + x80 + xff + U"\U0001F600",
      std::u32string(1, e9),
      U"Mädchen",
      U"",
  };
  for (const std::u32string& text : cases) {
    EXPECT_EQ(ToU32(ToEditableQString(text)), text);
  }
  // What is only shown loses the byte to the replacement character.
  EXPECT_EQ(ToQString(cases[0]), QStringLiteral("caf\uFFFD.mp3"));
}

}  // namespace
}  // namespace sonavex
