#include <gtest/gtest.h>

#include <sys/stat.h>

#include <vector>

#include "core/apply/executor.h"
#include "core/apply/tag_on_read.h"
#include "core/batch/planner.h"
#include "core/mp3/id3v1.h"
#include "core/mp3/tinfo.h"
#include "core/text/encoding.h"
#include "support/mp3_fixtures.h"
#include "support/recording_reporter.h"
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

// Writes one field the way the grid does: planned, then performed by the
// executor, the one writer of tags. The messages it showed.
std::vector<test::RecordedMessage> WriteField(const test::TempDir& dir, const std::string& name,
                                              TagField field, const std::u32string& text) {
  std::error_code ec;
  const Plan plan = PlanTagField(dir.path(), name, field, text, ec);
  EXPECT_FALSE(ec) << ec.message();
  test::RecordingReporter reporter;
  ApplyPlan(plan, {.reporter = &reporter});
  return reporter.messages;
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

// Reading gives an untagged file its empty tag through the executor.
TEST(TagOnRead, UntaggedAndShortFilesGetAnEmptyTag) {
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
    test::RecordingReporter reporter;
    TagOnRead tags({.reporter = &reporter});
    const TInfo::TagAppender append = tags.Appender();
    TInfo info;
    ASSERT_FALSE(info.SetDatei(path, [&](const std::string& to, std::int64_t size) {
      EXPECT_EQ(to, path);
      appendedAt.push_back(size);
      return append(to, size);
    }));
    EXPECT_TRUE(reporter.messages.empty());
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

TEST(TagWriter, ChangesExactlyThirtyBytes) {
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
    EXPECT_TRUE(WriteField(dir, "a.mp3", row.field, row.text).empty());
    std::string expected = original;
    expected.replace(row.audio + row.offset, 30, row.bytes);
    EXPECT_EQ(test::ReadFile(dir / "a.mp3"), expected);
  }
}

// The field of an untagged file goes into an appended empty tag, never
// into the audio data; a read-only file is read-only again afterwards.
TEST(TagWriter, ReadOnlyFileIsWrittenAndReadOnlyAgain) {
  test::TempDir dir;
  const std::string path = dir / "a.mp3";
  test::WriteFile(path, std::string(300, 'a'));
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  EXPECT_TRUE(WriteField(dir, "a.mp3", TagField::Album, U"Album").empty());
  EXPECT_EQ(ModeOf(path), 0444u);
  EXPECT_EQ(test::ReadFile(path), std::string(300, 'a') + "TAG" + std::string(60, ' ') +
                                      "Album" + std::string(60, ' '));
}

// Read-only media and files without write permission show in the grid
// without a message each: a tag that is there is only read.
TEST(TagOnRead, LeavesATaggedReadOnlyFileAlone) {
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
  struct stat st{};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_TRUE(test::SameTime(st.st_ctim, changed)) << "permissions were touched";
  EXPECT_EQ(test::ReadFile(path), bytes);
}

TEST(TagWriter, FailuresAreReportedAndCreateNoFile) {
  test::TempDir dir;
  Plan plan;
  plan.steps.push_back({dir.path(), "gone.mp3", steps::TagAppend{}});
  test::RecordingReporter reporter;
  EXPECT_EQ(ApplyPlan(plan, {.reporter = &reporter}).failed, 1);
  ASSERT_EQ(reporter.messages.size(), 1u);
  EXPECT_TRUE(reporter.messages[0].text.find(U"Fehler 2:") != std::u32string::npos);
  EXPECT_FALSE(test::Exists(dir / "gone.mp3"));
}

}  // namespace
}  // namespace sonavex
