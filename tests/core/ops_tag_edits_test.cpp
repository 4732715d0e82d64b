// The field edits of 'W', 'A' and 'B' on the texts the record holds
// (padding blanks kept), before the tag writer fits them.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "core/ops/tag_ops.h"

namespace sonavex {
namespace {

// A field as the record reads it: the text and its blank padding to 30.
std::u32string Padded(std::u32string text) {
  text.resize(std::max<std::size_t>(text.size(), 30), U' ');
  return text;
}

TagFieldsIn TitleOnly(const std::u32string& titel) {
  return {titel, Padded(U"Interpret"), Padded(U"Album")};
}

TEST(TagSearchReplace, ReplacesIgnoringCaseAndTrims) {
  struct Row {
    const char* what;
    std::u32string titel;
    FieldReplace replace;
    std::u32string expected;
  };
  const Row rows[] = {
      {"every occurrence, unmatched parts keep their case", U"the end of the world",
       {U"the", U"The"}, U"The end of The world"},
      {"umlauts fold", Padded(U"MÜLLER"), {U"müller", U"Meier"}, U"Meier"},
      {"accented letters do not", U"É", {U"é", U"e"}, U"É"},
      {"empty replacement deletes, blanks collapse", U"Live at the LIVE show",
       {U"live", U""}, U"at the show"},
      {"not found: written back trimmed", Padded(U"Hit  Song"), {U"xyz", U"a"}, U"Hit Song"},
      {"the inserted text is not searched again", U"banana", {U"a", U"aa"},
       U"baanaanaa"},
      {"a 28-character title may grow past 30", U"ABCDEFGHIJKLMNOPQRSTUVWXYZ12",
       {U"12", U"0123456789"}, U"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"},
  };
  for (const Row& row : rows) {
    TagReplaceParams params;
    params.titel = row.replace;
    const TagTexts texts = TagSearchReplace(TitleOnly(row.titel), params);
    EXPECT_EQ(texts.Titel, row.expected) << row.what;
  }
}

TEST(TagSearchReplace, FieldWithoutSearchTextIsLeftAlone) {
  TagReplaceParams params;
  params.album = {U"album", U"Best of"};
  const TagTexts texts = TagSearchReplace(TitleOnly(Padded(U"a  b")), params);
  EXPECT_EQ(texts.Titel, std::nullopt);
  EXPECT_EQ(texts.Interpret, std::nullopt);
  EXPECT_EQ(texts.Album, U"Best of");
}

TEST(TagDeleteStartEnd, CutsTheTrimmedText) {
  struct Row {
    const char* what;
    std::u32string titel;
    long first, last;
    std::u32string expected;
  };
  const Row rows[] = {
      {"first 9", U"Artist - Song", 9, 0, U"Song"},
      {"last 7", U"Song (Live)", 0, 7, U"Song"},
      {"both ends", U"ABCDE", 2, 2, U"C"},
      {"last counted after the first cut: too many cuts nothing", U"ABCDEF", 4, 3, U"EF"},
      {"last as many as there are", U"Hit", 0, 3, U""},
      {"last more than there are", U"Hit", 0, 5, U"Hit"},
      {"first more than there are", U"Hit", 5, 0, U""},
      {"padding blanks do not count", Padded(U"Hit"), 0, 1, U"Hi"},
      {"blanks left at a cut go", U"01 Song  Live", 3, 4, U"Song"},
      {"counts below zero do nothing", U"Hit", -2, -1, U"Hit"},
  };
  for (const Row& row : rows) {
    TagDeleteParams params;
    params.titel = {row.first, row.last};
    const TagTexts texts = TagDeleteStartEnd(TitleOnly(row.titel), params);
    EXPECT_EQ(texts.Titel, row.expected) << row.what;
  }
}

TEST(TagInsertStartEnd, JoinsAndTrims) {
  struct Row {
    const char* what;
    std::u32string titel;
    FieldAffixes affixes;
    std::u32string expected;
  };
  const Row rows[] = {
      {"prefix on an empty title loses its blank", Padded(U""), {U"01 ", U""}, U"01"},
      {"suffix after the trimmed text", Padded(U"Song"), {U"", U" (Live)"}, U"Song (Live)"},
      {"both", U"Song", {U"[", U"]"}, U"[Song]"},
      {"blanks at the seams collapse", Padded(U"Song"), {U"A  ", U"  B"}, U"A Song B"},
  };
  for (const Row& row : rows) {
    TagInsertParams params;
    params.titel = row.affixes;
    const TagTexts texts = TagInsertStartEnd(TitleOnly(row.titel), params);
    EXPECT_EQ(texts.Titel, row.expected) << row.what;
  }
}

// 'A' and 'B' write all three fields, those without work normalised.
TEST(TagStartEnd, EveryFieldIsGivenBack) {
  const TagFieldsIn fields{Padded(U"a  b"), Padded(U" c "), U"d..."};
  TagDeleteParams cut;
  cut.titel = {1, 0};
  const TagTexts deleted = TagDeleteStartEnd(fields, cut);
  EXPECT_EQ(deleted.Titel, U"b");
  EXPECT_EQ(deleted.Interpret, U"c");
  EXPECT_EQ(deleted.Album, U"d");  // a short text loses its "..."
  TagInsertParams insert;
  insert.album.after = U"!";
  const TagTexts inserted = TagInsertStartEnd(fields, insert);
  EXPECT_EQ(inserted.Titel, U"a b");
  EXPECT_EQ(inserted.Interpret, U"c");
  EXPECT_EQ(inserted.Album, U"d!");
}

TEST(TagEdits, HasWorkOnlyWithSomethingToDo) {
  EXPECT_FALSE(HasWork(TagReplaceParams{}));
  EXPECT_FALSE(HasWork(TagReplaceParams{{U"", U"x"}, {}, {}}));
  EXPECT_TRUE(HasWork(TagReplaceParams{{}, {}, {U"a", U""}}));
  EXPECT_FALSE(HasWork(TagDeleteParams{}));
  EXPECT_TRUE(HasWork(TagDeleteParams{{}, {0, 1}, {}}));
  EXPECT_FALSE(HasWork(TagInsertParams{}));
  EXPECT_TRUE(HasWork(TagInsertParams{{}, {}, {U"", U" "}}));
}

}  // namespace
}  // namespace sonavex
