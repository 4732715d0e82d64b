#include <gtest/gtest.h>

#include "core/text/case.h"
#include "core/text/encoding.h"
#include "support/test_support.h"

namespace sonavex {
namespace {

TEST(CaseHelpers, ConvertLettersAndUmlautsOnly) {
  EXPECT_EQ(UpCaseUmlaut(U"straße über é"), U"STRAßE ÜBER é");
  EXPECT_EQ(LowCaseUmlaut(U"ÄRGER ÖL ÜBER"), U"ärger öl über");
  EXPECT_EQ(UpCaseUmlaut(U"mp3"), U"MP3");
  EXPECT_EQ(UpCaseUmlaut(U".Mp3"), U".MP3");
  EXPECT_EQ(UpCaseUmlaut(U"äöü"), U"ÄÖÜ");
  EXPECT_EQ(LowCaseUmlaut(U"ÉÀ1-_ß"), U"ÉÀ1-_ß");
}

TEST(CaseHelpers, ConvertLongTextsInFull) {
  const std::u32string lower(300, U'a');
  const std::u32string upper(300, U'A');
  EXPECT_EQ(UpCaseUmlaut(lower), upper);
  EXPECT_EQ(LowCaseUmlaut(upper), lower);
}

TEST(TrimBlanks, Cases) {
  struct Row {
    std::u32string input;
    std::u32string expected;
  };
  const Row rows[] = {
      {U"  Die   Ärzte  ", U"Die Ärzte"},
      {U"", U""},
      {U" ", U""},
      {U"a ", U"a"},
      {U"Live...", U"Live"},
      {U"...", U""},
      {U"a......", U"a..."},
      {U"Song ...", U"Song "},
      {std::u32string(27, U'x') + U"...", std::u32string(27, U'x') + U"..."},
      {std::u32string(26, U'x') + U"...", std::u32string(26, U'x')},
      {U"\tTab", U"\tTab"},
      {U"a\u00A0 b", U"a\u00A0 b"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(TrimBlanks(row.input), row.expected);
  }
}

TEST(Utf8, InvalidBytesRoundTripThroughSurrogateEscape) {
  const std::string names[] = {
      "plain.mp3", "M\xC3\xA4" "dchen.mp3", "bad\xE4name.mp3", "\xFF\xFE",
      "cut\xC3", "overlong\xC0\xAF", "surrogate\xED\xA0\x80", "emoji\xF0\x9F\x8E\xB5"};
  for (const std::string& name : names) {
    EXPECT_EQ(EncodeUtf8(DecodeUtf8(name)), name);
  }
  EXPECT_EQ(DecodeUtf8("bad\xE4"), (std::u32string{U'b', U'a', U'd', 0xDCE4}));
  EXPECT_EQ(DecodeUtf8("M\xC3\xA4"), U"Mä");
}

TEST(Windows1252, MapsBothWaysAndReplacesTheRest) {
  EXPECT_EQ(DecodeWindows1252("\xE4\x80\x9F\x81"), U"ä€Ÿ\u0081");
  EXPECT_EQ(EncodeWindows1252(U"ä€Ÿ\u0081"), "\xE4\x80\x9F\x81");
  EXPECT_EQ(DecodeWindows1252("\x8A\x9A\x8C\x9C\x8E\x9E"), U"ŠšŒœŽž");
  EXPECT_EQ(EncodeWindows1252(U"ŠšŒœŽž"), "\x8A\x9A\x8C\x9C\x8E\x9E");
  EXPECT_EQ(EncodeWindows1252(U"Ω✓"), "??");
}

TEST(Windows1252, EscapedNameBytesGoBackAsTheSameBytes) {
  EXPECT_EQ(EncodeWindows1252(DecodeUtf8("Caf\xE9 \x80\x9D\xFF")),
            "Caf\xE9 \x80\x9D\xFF");
  // Escapes of other code units are no bytes of a name.
  EXPECT_EQ(EncodeWindows1252(std::u32string{0xDC41, 0xDD00, 0xD800}), "???");
}

}  // namespace
}  // namespace sonavex
