#include <gtest/gtest.h>

#include "core/ops/replacement_table.h"
#include "core/text/replace.h"

namespace sonavex {
namespace {

struct ReplaceRow {
  const char32_t* search;
  const char32_t* replacement;
  const char32_t* text;
  const char32_t* expected;
};

TEST(ReplaceAllOccurrences, Cases) {
  const ReplaceRow rows[] = {
      {U"a", U"aa", U"banana", U"baanaanaa"},  // inserted text is not searched
      {U"aa", U"b", U"aaa", U"ba"},            // no overlap, left to right
      {U"Ab", U"x", U"ab Ab", U"ab x"},        // case-sensitive
      {U"-", U"", U"a-b-c", U"abc"},
      {U"", U"x", U"abc", U"abc"},             // empty search never matches
      {U"x", U"x", U"xx", U"xx"},
      {U"abc", U"z", U"ab", U"ab"},
  };
  for (const ReplaceRow& row : rows) {
    EXPECT_EQ(ReplaceAllOccurrences(row.search, row.replacement, row.text),
              row.expected)
        << "search " << testing::PrintToString(std::u32string(row.search));
  }
}

TEST(ReplaceAllIgnoringCase, FoldsLettersAndUmlautsKeepsTheRest) {
  struct Row {
    const char32_t* search;
    const char32_t* replacement;
    const char32_t* text;
    const char32_t* expected;
    std::size_t count;
  };
  const Row rows[] = {
      {U"THE", U"The", U"the best of the rest", U"The best of The rest", 2},
      {U"a", U"aa", U"BANANA", U"BaaNaaNaa", 3},
      {U"ä", U"ae", U"MÄDCHEN", U"MaeDCHEN", 1},
      {U"ss", U"x", U"Straße", U"Straße", 0},  // ß is no double s
      {U"é", U"e", U"É", U"É", 0},             // only A-Z and umlauts fold
      {U"", U"x", U"abc", U"abc", 0},
      {U"b", U"b", U"abc", U"abc", 1},         // found, even if nothing changes
      {U" - ä", U"/", U"A - Äb - äc -Ä", U"A/b/c -Ä", 2},  // starts with a blank
  };
  for (const Row& row : rows) {
    const ReplaceResult result =
        ReplaceAllIgnoringCase(row.search, row.replacement, row.text);
    EXPECT_EQ(result.text, row.expected);
    EXPECT_EQ(result.count, row.count) << testing::PrintToString(std::u32string(row.text));
  }
}

ReplacementTable TableOf(std::initializer_list<ReplacementPair> pairs) {
  ReplacementTable table;
  std::copy(pairs.begin(), pairs.end(), table.begin());
  return table;
}

TEST(ApplyReplacementTable, PairsRunInOrderOnTheResultBefore) {
  struct Row {
    ReplacementTable table;
    const char32_t* base;
    const char32_t* expected;
  };
  const Row rows[] = {
      {TableOf({{U"a", U"b"}, {U"b", U"c"}}), U"a", U"c"},
      {TableOf({{U"ä", U"ae"}, {U"ae", U"e"}}), U"Mädchen", U"Medchen"},
      {TableOf({{U"a", U"aa"}}), U"banana", U"baanaanaa"},
      {TableOf({{U".", U" "}}), U"track.01", U"track 01"},
      {TableOf({{U"Ab", U"x"}}), U"ab", U"ab"},
      {TableOf({{U"", U"x"}, {U"_", U"_"}, {U"_", U" "}}), U"a_b", U"a b"},
      {TableOf({{U"x", U"y"}, {}, {}, {}, {}, {}, {}, {}, {}, {U"y", U"z"}}),
       U"x", U"z"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ApplyReplacementTable(row.base, row.table, true), row.expected);
  }
}

TEST(ApplyReplacementTable, SwitchedOffLeavesTheNameAlone) {
  EXPECT_EQ(ApplyReplacementTable(U"a_b", TableOf({{U"_", U" "}}), false),
            U"a_b");
}

}  // namespace
}  // namespace sonavex
