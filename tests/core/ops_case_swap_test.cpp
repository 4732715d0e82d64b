#include <gtest/gtest.h>

#include "core/ops/case_swap.h"
#include "support/name_edit_outcome.h"

namespace sonavex {
namespace {

using test::InputFor;
using test::Outcome;

struct Row {
  const char32_t* fileName;
  const char32_t* expected;  // "keep", "refuse" or "base|.ext"
};

void ExpectRows(NameEdit (*rule)(const NameInput&), std::initializer_list<Row> rows) {
  for (const Row& row : rows) {
    EXPECT_EQ(Outcome(rule(InputFor(row.fileName))), row.expected)
        << testing::PrintToString(std::u32string(row.fileName));
  }
}

TEST(CapitalizeWords, Cases) {
  ExpectRows(CapitalizeWords, {
      {U"the beatles - let it be (live).mp3", U"The Beatles - Let It Be (Live)|.mp3"},
      {U"o'neil.mp3", U"O'neil|.mp3"},
      {U"rock´n´roll.mp3", U"Rock'n'roll|.mp3"},
      {U"rock`n`roll.mp3", U"Rock'n'roll|.mp3"},
      {U"über [live]\\äpfel.b-side.mp3", U"Über [Live]\\Äpfel.B-Side|.mp3"},
      {U"straße éa ßb.mp3", U"Straße éa ßb|.mp3"},
      {U"  hello   world....mp3", U"Hello World|.mp3"},
      {U"song.MP3", U"Song|.MP3"},
      {U"Song.mp3", U"Song|.mp3"},  // renamed onto itself
      {U"abc", U"Abc|"},
      {U"Abc", U"keep"},  // no extension and no change: not even renamed
  });
}

TEST(LowerInsideWords, Cases) {
  ExpectRows(LowerInsideWords, {
      {U"THE BEATLES - HELP.mp3", U"The Beatles - Help|.mp3"},
      {U"ÄRZTE-ÜBER.mp3", U"Ärzte-Über|.mp3"},
      {U"SONG.MP3", U"Song|.MP3"},
      {U"the END.mp3", U"the End|.mp3"},
      {U"ROCK`N´ROLL.mp3", U"Rock'n'roll|.mp3"},
      {U"ÉCOLE  ÀB.mp3", U"École Àb|.mp3"},
      {U"Abc", U"keep"},
  });
}

TEST(StripMarker, Cases) {
  ExpectRows(StripMarker, {
      {U"Song!s.mp3", U"Song|.mp3"},
      {U"Song!!s.mp3", U"Song|.mp3"},
      {U"Song!s.live.mp3", U"Song|.mp3"},
      {U"Song !s.mp3", U"Song |.mp3"},
      {U"a!s.b!!s.mp3", U"a!s.b|.mp3"},
      {U"Song!S.mp3", U"keep"},
      {U"Song!sx.mp3", U"keep"},
      {U"Song", U"keep"},
      {U"Song!s", U"Song|"},
  });
}

TEST(SwapParts, Cases) {
  struct SwapRow {
    int a, b;
    const char32_t* fileName;
    const char32_t* expected;
  };
  const SwapRow rows[] = {
      {1, 2, U"Title - Artist.mp3", U"Artist - Title|.mp3"},
      {0, 3, U"A - B - C.mp3", U"C - A - B|.mp3"},
      {2, 0, U"A - B - C.mp3", U"A - C|.mp3"},
      {1, 2, U"A - B - .mp3", U"B - A|.mp3"},
      {1, 2, U"A - B -  -  - .mp3", U"B - A|.mp3"},
      {1, 3, U"A -  - C.mp3", U"C -  - A|.mp3"},  // empty middle part stays
      {3, 0, U"A - B - C.mp3", U"A - B|.mp3"},
      {1, 3, U"A - B.mp3", U"refuse"},
      {0, 3, U"A - B.mp3", U"refuse"},
      {1, 3, U"AB.mp3", U"keep"},
      {1, 2, U"A-B.mp3", U"keep"},
      // Past the ninth separator the rest is the tenth part, whole.
      {1, 10, U"1 - 2 - 3 - 4 - 5 - 6 - 7 - 8 - 9 - 10 - 11 - 12.mp3",
       U"10 - 11 - 12 - 2 - 3 - 4 - 5 - 6 - 7 - 8 - 9 - 1|.mp3"},
      {10, 0, U"1 - 2 - 3 - 4 - 5 - 6 - 7 - 8 - 9 - 10 - 11.mp3",
       U"1 - 2 - 3 - 4 - 5 - 6 - 7 - 8 - 9|.mp3"},
  };
  for (const SwapRow& row : rows) {
    EXPECT_EQ(Outcome(SwapParts(InputFor(row.fileName),
                                {.a = row.a, .b = row.b})),
              row.expected)
        << testing::PrintToString(std::u32string(row.fileName)) << " " << row.a
        << "," << row.b;
  }
}

TEST(SwapParts, RefusalNamesTheFile) {
  const NameEdit edit =
      SwapParts(InputFor(U"A - B.mp3"), {.a = 1, .b = 3});
  EXPECT_EQ(edit.refusal,
            (Refusal{MessageKind::Warning,
                     U"Zu wenig Strings im Dateinamen! Die Datei:\n\r\n\r"
                     U"/music/A - B.mp3\n\r\n\rwird nicht umbenannt.",
                     MessageButton::Ok}));
}

}  // namespace
}  // namespace sonavex
