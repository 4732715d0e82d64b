#include <gtest/gtest.h>

#include <sys/stat.h>

#include <vector>

#include "core/mp3/id3v1.h"
#include "core/mp3/tinfo.h"
#include "core/text/encoding.h"
#include "support/mp3_fixtures.h"
#include "support/test_support.h"

namespace sonavex {
namespace {

using test::Bytes;
using test::Zeros;

const std::string kBlanks30(30, ' ');
const std::string kEmptyTag = "TAG" + std::string(125, ' ');

unsigned ModeOf(const std::string& path) {
  struct stat st{};
  EXPECT_EQ(stat(path.c_str(), &st), 0);
  return st.st_mode & 07777;
}

TEST(FitTagField, CutTextsShowThreeDots) {
  struct Row {
    std::u32string text, fitted;
  };
  const Row rows[] = {
      {U"abcdefghijklmnopqrstuvwxyz0123456789ABCD",
       U"abcdefghijklmnopqrstuvwxyz0...456789ABCD"},
      {U"abcdefghijklmnopqrstuvwxyz0123", U"abcdefghijklmnopqrstuvwxyz0123"},
      {U"abcdefghijklmnopqrstuvwxyz01234", U"abcdefghijklmnopqrstuvwxyz0...4"},
      {U"", std::u32string(30, U' ')},
      {U"ABBA", U"ABBA" + std::u32string(26, U' ')},
  };
  for (const Row& row : rows) EXPECT_EQ(FitTagField(row.text), row.fitted);
}

TEST(ReadTag, DropsZeroBytesAndKeepsBlanks) {
  test::TempDir dir;
  const std::string tag = "TAG" + Bytes({'A', 'B', 0, 'C', 'D'}) + Zeros(25) +
                          "Die \xC4rzte" + std::string(21, ' ') + Zeros(30) +
                          std::string(35, 'x');
  ASSERT_EQ(tag.size(), kTagSize);
  // The tag of a small file comes with its first read, that of a larger one
  // with a read of its own.
  for (const std::size_t audio : {300, 100000}) {
    SCOPED_TRACE(audio);
    test::WriteFile(dir / "a.mp3", Zeros(audio) + tag);
    TInfo info;
    ASSERT_FALSE(info.SetDatei(dir / "a.mp3"));
    EXPECT_EQ(info.Titel, U"ABCD");
    EXPECT_EQ(info.Interpret, U"Die Ärzte" + std::u32string(21, U' '));
    EXPECT_EQ(info.Album, U"");
  }
}

TEST(EnsureTag, UntaggedAndShortFilesGetAnEmptyTag) {
  struct Row {
    const char* what;
    std::string bytes;
    bool tagged;
  };
  const std::string tagged = std::string(500, 'a') + "TAG" + std::string(125, 'b');
  const Row rows[] = {
      {"1,000,000 bytes", std::string(1000000, 'a'), false},
      {"50 bytes", std::string(50, 'a'), false},
      {"empty", "", false},
      {"tag marker in other letter case", std::string(500, 'a') + "tag" + std::string(125, ' '),
       false},
      {"tagged", tagged, true},
  };
  test::TempDir dir;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const std::string path = dir / "a.mp3";
    test::WriteFile(path, row.bytes);
    std::vector<std::int64_t> appendedAt;
    TInfo info;
    ASSERT_FALSE(info.SetDatei(path, [&](const std::string& to, std::int64_t size) {
      EXPECT_EQ(to, path);
      appendedAt.push_back(size);
      return !EnsureTag(to);
    }));
    const std::vector<std::int64_t> expectedAppends =
        row.tagged ? std::vector<std::int64_t>{}
                   : std::vector<std::int64_t>{static_cast<std::int64_t>(row.bytes.size())};
    EXPECT_EQ(appendedAt, expectedAppends);
    EXPECT_EQ(info.Groesse, DecodeUtf8(std::to_string(row.bytes.size())));
    const std::string expected = row.tagged ? row.bytes : row.bytes + kEmptyTag;
    EXPECT_EQ(test::ReadFile(path), expected);
    if (!row.tagged) {
      EXPECT_EQ(info.Titel, std::u32string(30, U' '));
    }
  }
}

TEST(WriteTagField, ChangesExactlyThirtyBytes) {
  struct Row {
    TagField field;
    std::u32string text;
    std::size_t offset;  // in the tag
    std::string bytes;
    std::size_t audio = 1000;  // bytes before the tag
  };
  const Row rows[] = {
      {TagField::Interpret, U"ABBA", 33, "ABBA" + std::string(26, ' ')},
      {TagField::Titel, U"X", 3, "X" + std::string(29, ' '), 0},  // the file is only a tag
      {TagField::Titel, U"abcdefghijklmnopqrstuvwxyz0123456789",
       3, "abcdefghijklmnopqrstuvwxyz0123"},
      {TagField::Album, U"Ärzte ☺", 63, "\xC4rzte ?" + std::string(23, ' ')},
      {TagField::Album, U"", 63, kBlanks30},
  };
  test::TempDir dir;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.offset);
    const std::string original = std::string(row.audio, 'a') + "TAG" + std::string(125, 'b');
    test::WriteFile(dir / "a.mp3", original);
    EXPECT_FALSE(WriteTagField(dir / "a.mp3", row.field, row.text));
    std::string expected = original;
    expected.replace(row.audio + row.offset, 30, row.bytes);
    EXPECT_EQ(test::ReadFile(dir / "a.mp3"), expected);
  }
}

TEST(WriteTagFields, FitsEachTextAndWritesOnlyThoseGiven) {
  test::TempDir dir;
  const std::string path = dir / "a.mp3";
  test::WriteFile(path, std::string(200, 'a') + "TAG" + std::string(125, 'b'));
  TagTexts texts;
  texts.Titel = U"Titel";
  texts.Album = U"abcdefghijklmnopqrstuvwxyz0123456789ABCD";
  ASSERT_FALSE(WriteTagFields(path, texts));
  EXPECT_EQ(test::ReadFile(path), std::string(200, 'a') + "TAG" + "Titel" +
                                      std::string(25, ' ') + std::string(30, 'b') +
                                      "abcdefghijklmnopqrstuvwxyz0..." +
                                      std::string(35, 'b'));
}

TEST(TagWriters, NeverWriteIntoAudioData) {
  test::TempDir dir;
  const std::string audio(1000, 'a');
  test::WriteFile(dir / "one.mp3", audio);
  test::WriteFile(dir / "many.mp3", audio);
  EXPECT_FALSE(WriteTagField(dir / "one.mp3", TagField::Titel, U"X"));
  TagTexts texts;
  texts.Titel = U"X";
  EXPECT_FALSE(WriteTagFields(dir / "many.mp3", texts));
  const std::string expected = audio + "TAGX" + std::string(124, ' ');
  EXPECT_EQ(test::ReadFile(dir / "one.mp3"), expected);
  EXPECT_EQ(test::ReadFile(dir / "many.mp3"), expected);
}

TEST(TagWriters, ReadOnlyFileIsWrittenAndReadOnlyAgain) {
  test::TempDir dir;
  const std::string path = dir / "a.mp3";
  test::WriteFile(path, std::string(300, 'a'));
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  EXPECT_FALSE(EnsureTag(path));
  EXPECT_EQ(ModeOf(path), 0444u);
  EXPECT_FALSE(WriteTagField(path, TagField::Album, U"Album"));
  EXPECT_EQ(ModeOf(path), 0444u);
  EXPECT_EQ(test::ReadFile(path), std::string(300, 'a') + "TAG" + std::string(60, ' ') +
                                      "Album" + std::string(60, ' '));
}

// Read-only media and files without write permission show in the grid
// without a message each: a tag that is there is only read.
TEST(EnsureTag, LeavesATaggedReadOnlyFileAlone) {
  test::TempDir dir;
  const std::string path = dir / "a.mp3";
  const std::string bytes = std::string(300, 'a') + kEmptyTag;
  test::WriteFile(path, bytes);
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  const timespec changed = test::ChangeTimeOf(path);
  TInfo info;
  ASSERT_FALSE(info.SetDatei(path, [](const std::string&, std::int64_t) {
    ADD_FAILURE() << "a tagged file needs no tag";
    return false;
  }));
  EXPECT_FALSE(EnsureTag(path));
  struct stat st{};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_TRUE(test::SameTime(st.st_ctim, changed)) << "permissions were touched";
  EXPECT_EQ(test::ReadFile(path), bytes);
}

TEST(TagWriters, FailuresAreReturnedAndCreateNoFile) {
  test::TempDir dir;
  const std::error_code missing = std::make_error_code(std::errc::no_such_file_or_directory);
  EXPECT_EQ(EnsureTag(dir / "gone.mp3"), missing);
  EXPECT_EQ(WriteTagField(dir / "gone.mp3", TagField::Titel, U"X"), missing);
  EXPECT_FALSE(test::Exists(dir / "gone.mp3"));
}

}  // namespace
}  // namespace sonavex
