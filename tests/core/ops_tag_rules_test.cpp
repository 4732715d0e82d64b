#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "core/mp3/id3v1.h"
#include "core/ops/name_parts.h"
#include "core/ops/tag_ops.h"
#include "core/text/encoding.h"

namespace sonavex {
namespace {

std::u32string Padded(std::u32string_view text) {
  std::u32string field(text);
  field.resize(std::max<std::size_t>(field.size(), kTagFieldLength), U' ');
  return field;
}

// Fields as a freshly read tag holds them: padded with blanks to 30.
TagFieldsIn Fields(std::u32string_view titel, std::u32string_view interpret,
                   std::u32string_view album) {
  return {Padded(titel), Padded(interpret), Padded(album)};
}

TEST(NameFromTag, PatternsTrimmingAndForbiddenCharacters) {
  const std::u32string dots28 = U"1234567890123456789012345...";
  const std::u32string dots30 = U"123456789012345678901234567...";
  struct Row {
    TagFieldsIn fields;
    int pattern;
    std::u32string_view presentBase;
    std::u32string_view expected;
  };
  const Row rows[] = {
      {Fields(U"Ti", U"In", U"Al"), 0, U"x", U"Al - In - Ti"},
      {Fields(U"Ti", U"In", U"Al"), 1, U"x", U"In - Al - Ti"},
      {Fields(U"Ti", U"In", U"Al"), 2, U"x", U"In - Ti"},
      {Fields(U"Ti", U"In", U"Al"), 3, U"x", U"Ti - In"},
      {Fields(U"Ti", U"In", U"Al"), 4, U"x", U"Ti"},
      {Fields(U"Bohemian Rhapsody", U"Queen", U""), 2, U"track01",
       U"Queen - Bohemian Rhapsody"},
      {Fields(U"AC/DC: Live?", U"", U""), 4, U"x", U"AC_DC_ Live_"},
      {Fields(U"a/b\\c?d:e*f\"g<h>i|j", U"", U""), 4, U"x",
       U"a_b_c_d_e_f_g_h_i_j"},
      // Empty fields leave their separators behind.
      {Fields(U"Waterloo", U"ABBA", U""), 0, U"x", U"- ABBA - Waterloo"},
      {Fields(U"", U"", U""), 2, U"x", U"-"},
      {Fields(U"", U"", U""), 0, U"x", U"- -"},
      {Fields(U"", U"", U""), 4, U"x", U""},
      // Blanks inside a field collapse; a short text loses a trailing "...",
      // a field cut to 30 characters keeps it.
      {Fields(U"Die  Ärzte", U"", U""), 4, U"x", U"Die Ärzte"},
      {Fields(U"Live...", U"", U""), 4, U"x", U"Live"},
      {Fields(dots28, U"", U""), 4, U"x", U"1234567890123456789012345"},
      {Fields(dots30, U"", U""), 4, U"x", dots30},
      {Fields(U"Live...", U"Band", U""), 3, U"x", U"Live... - Band"},
      // No pattern: the present name, still without forbidden characters.
      {Fields(U"Ti", U"In", U"Al"), -1, U"Song", U"Song"},
      {Fields(U"Ti", U"In", U"Al"), 5, U"  Song  ", U"  Song  "},
      {Fields(U"Ti", U"In", U"Al"), -1, U"What?", U"What_"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(NameFromTag(row.fields, row.presentBase, {.pattern = row.pattern}),
              row.expected)
        << row.pattern << " " << U8(row.fields.titel);
  }
}

TEST(NameParts, SplitIntoTwoAndThree) {
  struct Row {
    std::u32string_view name;
    std::u32string_view two[2];
    std::u32string_view three[3];
  };
  const Row rows[] = {
      {U"ABBA - Waterloo.mp3", {U"ABBA", U"Waterloo"}, {U"ABBA", U"Waterloo", U""}},
      {U"Waterloo.mp3", {U"Waterloo", U""}, {U"Waterloo", U"", U""}},
      {U"ABBA - Gold - Waterloo.mp3",
       {U"ABBA", U"Gold - Waterloo"}, {U"ABBA", U"Gold", U"Waterloo"}},
      {U"ABBA  - Gold - Waterloo.mp3",
       {U"ABBA", U"Gold - Waterloo"}, {U"ABBA", U"Gold", U"Waterloo"}},
      {U"A - B - C - D.MP3", {U"A", U"B - C - D"}, {U"A", U"B", U"C - D"}},
      {U"03 ABBA - Waterloo.mp3", {U"03 ABBA", U"Waterloo"},
       {U"03 ABBA", U"Waterloo", U""}},
      // A separator at the very start does not split.
      {U" - Waterloo.mp3", {U"- Waterloo", U""}, {U"- Waterloo", U"", U""}},
      // Nor does one right after the first, nor a part of blanks count.
      {U"A -  - C.mp3", {U"A", U"- C"}, {U"A", U"- C", U""}},
      {U"A -   - B.mp3", {U"A", U"- B"}, {U"A", U"B", U""}},
      {U"ABBA - .mp3", {U"ABBA", U""}, {U"ABBA", U"", U""}},
      {U".mp3", {U"", U""}, {U"", U"", U""}},
      {U"mp3", {U"", U""}, {U"", U"", U""}},
  };
  for (const Row& row : rows) {
    for (int k = 1; k <= 2; ++k) {
      EXPECT_EQ(SplitNameTwo(row.name, k), row.two[k - 1]) << U8(row.name) << " " << k;
    }
    for (int k = 1; k <= 3; ++k) {
      EXPECT_EQ(SplitNameThree(row.name, k), row.three[k - 1]) << U8(row.name) << " " << k;
    }
  }
  EXPECT_EQ(SplitNameTwo(U"A - B.mp3", 3), U"");
  EXPECT_EQ(SplitNameThree(U"A - B.mp3", 0), U"");
}

TEST(NameParts, TrackNumberAndExtension) {
  const std::pair<std::u32string_view, std::u32string_view> tracks[] = {
      {U"07 Waterloo", U"Waterloo"}, {U"7 Waterloo", U"7 Waterloo"},
      {U"07 - Waterloo", U"- Waterloo"}, {U"07 x", U"x"}, {U"07 ", U"07 "},
      {U"123 Song", U"123 Song"}, {U"0a Song", U"0a Song"}, {U"", U""},
      {U"07  Two", U" Two"},
  };
  for (const auto& [text, expected] : tracks) {
    EXPECT_EQ(StripTrackNumber(text), expected) << U8(text);
  }
  const std::pair<std::u32string_view, std::u32string_view> names[] = {
      {U"a.b.mp3", U"a.b"}, {U"noext", U"noext"}, {U".mp3", U""}, {U"x.", U"x"},
  };
  for (const auto& [name, expected] : names) {
    EXPECT_EQ(NameWithoutExtension(name), expected) << U8(name);
  }
}

TEST(NameParts, DirectoryLevels) {
  struct Row {
    std::u32string_view directory;
    std::u32string_view levels[3];
  };
  const Row rows[] = {
      {U"/home/anna/Musik/ABBA/Gold", {U"Gold", U"ABBA", U"Musik"}},
      {U"/Musik/ABBA", {U"ABBA", U"Musik", U""}},
      {U"/Musik", {U"Musik", U"", U""}},
      {U"/", {U"", U"", U""}},
      {U"", {U"", U"", U""}},
      {U"Musik/ABBA", {U"ABBA", U"", U""}},
  };
  for (const Row& row : rows) {
    for (int level = 0; level < 3; ++level) {
      EXPECT_EQ(DirectoryLevelName(row.directory, level), row.levels[level])
          << U8(row.directory) << " " << level;
    }
  }
  EXPECT_EQ(DirectoryLevelName(U"/a/b/c/d", 3), U"a");
  EXPECT_EQ(DirectoryLevelName(U"/a/b", -1), U"");
}

// Every entry of the three source lists, on a name and a directory whose
// parts say where they came from; track numbers go from each part.
constexpr std::u32string_view kName = U"01 P1 - 02 P2 - 03 P3.mp3";
constexpr std::u32string_view kDirectory = U"/m/04 L2/05 L1/06 L0";

enum class Field { Titel, Interpret, Album };

std::optional<std::u32string> FromName(Field field, int index,
                                       std::u32string_view name = kName) {
  TagFromNameParams params;
  TagSource& source = field == Field::Titel       ? params.titel
                      : field == Field::Interpret ? params.interpret
                                                  : params.album;
  source = {.enabled = true, .index = index, .text = U"07 Typed  "};
  const TagTexts texts = TagFromName(name, kDirectory, params);
  // Only the checked field is ever given a text.
  EXPECT_EQ(texts.Titel.has_value() + texts.Interpret.has_value() +
                texts.Album.has_value(),
            field == Field::Titel       ? texts.Titel.has_value()
            : field == Field::Interpret ? texts.Interpret.has_value()
                                        : texts.Album.has_value());
  return field == Field::Titel       ? texts.Titel
         : field == Field::Interpret ? texts.Interpret
                                     : texts.Album;
}

TEST(TagFromName, EverySourceOfEveryField) {
  const std::u32string_view none = U"<none>";
  struct Row {
    Field field;
    std::u32string_view expected[13];  // indices -2 to 10 (titel, album), 12 (interpret)
  };
  const Row rows[] = {
      {Field::Titel,
       {none, U"07 Typed  ", U"P1 - 02 P2 - 03 P3", U"P2 - 03 P3", U"P1", U"P3",
        U"P1", U"P2", U"P2", U"P1", U"P3", U"", none}},
      {Field::Interpret,
       {none, U"07 Typed  ", U"P1", U"P2 - 03 P3", U"P2", U"P2", U"P1", U"P3",
        U"P3", U"P1", U"L0", U"L1", U"L2"}},
      {Field::Album,
       {none, U"07 Typed  ", U"P1", U"P3", U"P3", U"P1", U"P2", U"P2", U"L0",
        U"L1", U"L2", U"", none}},
  };
  for (const Row& row : rows) {
    for (int index = -2; index <= 10; ++index) {
      const std::optional<std::u32string> text = FromName(row.field, index);
      EXPECT_EQ(text.value_or(std::u32string(none)), row.expected[index + 2])
          << static_cast<int>(row.field) << " " << index;
    }
  }
  EXPECT_EQ(FromName(Field::Interpret, 11), U"");
  EXPECT_EQ(FromName(Field::Interpret, 12), std::nullopt);
  EXPECT_EQ(FromName(Field::Album, 10), std::nullopt);
}

// Unchecked fields, and checked ones with nothing chosen or typed, keep
// their content; without any field that has a source there is no work.
TEST(TagFromName, FieldsUncheckedOrWithoutSourceAreNotWritten) {
  TagFromNameParams params;
  params.album = {.enabled = true, .index = -1, .text = U"Best of"};
  params.titel = {.enabled = false, .index = 0, .text = {}};
  params.interpret = {.enabled = true, .index = kNoTagSource, .text = {}};
  const TagTexts texts = TagFromName(U"ABBA - Waterloo.mp3", U"/m", params);
  EXPECT_EQ(texts.Titel, std::nullopt);
  EXPECT_EQ(texts.Interpret, std::nullopt);
  EXPECT_EQ(texts.Album, U"Best of");
  EXPECT_TRUE(HasWork(params));
  EXPECT_FALSE(HasWork(TagFromNameParams{}));
  params.album.index = kNoTagSource;
  EXPECT_FALSE(HasWork(params));
}

TEST(TagFromName, FieldBytesFromTheName) {
  struct Row {
    std::string nameBytes;  // as the file system gives it
    Field field;
    int index;
    std::string fieldBytes;
  };
  const Row rows[] = {
      {"07 Waterloo.mp3", Field::Titel, 0, "Waterloo"},
      {"Waterloo.mp3", Field::Titel, 1, ""},
      {"ABBA - Waterloo.mp3", Field::Album, 2, ""},
      {"01 A Title Of Thirty-Two Characters.mp3", Field::Titel, 0,
       "A Title Of Thirty-Two Chara..."},
      // An old Latin-1 name keeps its bytes; a UTF-8 one is converted.
      {"Caf\xE9 \x80 - Song.mp3", Field::Interpret, 0, "Caf\xE9 \x80"},
      {"Caf\xC3\xA9 \xE2\x82\xAC - Song.mp3", Field::Interpret, 0, "Caf\xE9 \x80"},
      {"\xCE\xA9 - Song.mp3", Field::Interpret, 0, "?"},
  };
  for (const Row& row : rows) {
    const std::optional<std::u32string> text =
        FromName(row.field, row.index, DecodeUtf8(row.nameBytes));
    ASSERT_TRUE(text.has_value());
    std::string expected = row.fieldBytes;
    expected.resize(kTagFieldLength, ' ');
    EXPECT_EQ(TagFieldBytes(FitTagField(*text)), expected) << row.nameBytes;
  }
}

}  // namespace
}  // namespace sonavex
