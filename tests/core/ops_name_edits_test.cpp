#include <gtest/gtest.h>

#include <climits>

#include "core/ops/name_edits.h"
#include "support/name_edit_outcome.h"

namespace sonavex {
namespace {

using test::InputFor;
using test::Outcome;

template <class Params>
struct Row {
  const char32_t* fileName;
  Params params;
  const char32_t* expected;  // "keep", "refuse" or "base|.ext"
};

template <class Params>
void ExpectRows(NameEdit (*rule)(const NameInput&, const Params&),
                std::initializer_list<Row<Params>> rows) {
  for (const Row<Params>& row : rows) {
    EXPECT_EQ(Outcome(rule(InputFor(row.fileName), row.params)), row.expected)
        << testing::PrintToString(std::u32string(row.fileName));
  }
}

TEST(DeleteAtEnds, Cases) {
  ExpectRows(DeleteAtEnds, {
      {U"01 Song.mp3", {.first = 2}, U"Song|.mp3"},
      {U"Title.mp3", {.last = 4}, U"T|.mp3"},
      {U"track.01.mp3", {.first = 1, .last = 3}, U"rack|.mp3"},
      {U"Song ....mp3", {.first = 1}, U"ong |.mp3"},
      {U"abcd.mp3", {.first = 2, .last = 2}, U"refuse"},
      {U"abcd.mp3", {.first = 4}, U"refuse"},
      {U"x   y.mp3", {.first = 1, .last = 1}, U"refuse"},
      {U"abcd.mp3", {.first = LONG_MAX, .last = LONG_MAX}, U"refuse"},
      {U"abcd.mp3", {.first = 3, .last = LONG_MAX}, U"refuse"},
      {U"abcd.mp3", {.first = -5, .last = 1}, U"abc|.mp3"},
  });
}

TEST(DeleteAtEnds, RefusalNamesTheFileAndTheCounts) {
  const NameEdit edit =
      DeleteAtEnds(InputFor(U"abcd.mp3"), {.first = 2, .last = 2});
  EXPECT_EQ(edit.refusal,
            (Refusal{MessageKind::Warning,
                     U"/music/abcd.mp3\n\r2 am Anfang und 2 am Ende ...\n\r"
                     U"... da bleibt kein Zeichen mehr für den Dateinamen!\n\r"
                     U"(überflüssige Leerzeichen werden gelöscht!)",
                     MessageButton::Abbrechen}));
}

TEST(InsertAtEnds, Cases) {
  ExpectRows(InsertAtEnds, {
      {U"Song.mp3", {.before = U"01 "}, U"01 Song|.mp3"},
      {U"Song.mp3", {.before = U"  01  ", .after = U"  x"},
       U"01 Song x|.mp3"},
      {U"Song.mp3", {.after = U"..."}, U"Song|.mp3"},
      {U"Song.mp3", {}, U"Song|.mp3"},  // renamed onto itself, never kept
      {U"README", {.after = U" 2"}, U"README 2|"},
  });
}

TEST(ReplaceInName, Cases) {
  ExpectRows(ReplaceInName, {
      {U"the best of the rest.mp3", {.search = U"the", .replacement = U"The"},
       U"The best of The rest|.mp3"},
      {U"the best of the rest.mp3", {.search = U"THE", .replacement = U"The"},
       U"The best of The rest|.mp3"},
      {U"banana.mp3", {.search = U"a", .replacement = U"aa"}, U"baanaanaa|.mp3"},
      {U"Anna - Live.mp3", {.search = U"a"}, U"nn - Live|.mp3"},
      {U"MÄDCHEN.mp3", {.search = U"äd", .replacement = U"ae"}, U"MaeCHEN|.mp3"},
      {U"a.mp3", {.search = U".mp3", .replacement = U""}, U"keep"},
      {U"Song.mp3", {.search = U"x", .replacement = U"y"}, U"keep"},
      {U"Song.mp3", {.search = U"o", .replacement = U"o"}, U"Song|.mp3"},  // found: table runs
      {U"Song.mp3", {.search = U"", .replacement = U"y"}, U"keep"},
  });
}

TEST(ReplaceInType, Cases) {
  ExpectRows(ReplaceInType, {
      {U"a.mp3", {.search = U"mp3", .replacement = U"MP3"}, U"a|.MP3"},
      {U"a.b.MPEG", {.search = U"mpeg", .replacement = U"mp3"}, U"a.b|.mp3"},
      {U"README", {.search = U"README", .replacement = U"x"}, U"keep"},
      {U"a.mp3", {.search = U"a", .replacement = U"b"}, U"keep"},
      {U"a.mp3", {.search = U".", .replacement = U"b"}, U"keep"},
  });
}

}  // namespace
}  // namespace sonavex
