// The list export: line bytes, directory lines, the atomic write and the
// tags it appends.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <sstream>
#include <string>
#include <vector>

#include "core/apply/undo.h"
#include "core/journal/journal.h"
#include "core/ops/export.h"
#include "support/mp3_fixtures.h"
#include "support/recording_reporter.h"
#include "support/test_support.h"

namespace sonavex {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

ExportParams Columns(std::initializer_list<int> numbers, char separator = '\t') {
  ExportParams params;
  params.separator = separator;
  for (int n : numbers) params.columns[static_cast<std::size_t>(n - 1)] = true;
  return params;
}

TInfo Mp3Record() {
  TInfo info;
  info.Name = U"a";
  info.Typ = U"mp3";
  info.Groesse = U"962";
  info.Datum = U"01.02.03 04:05";
  info.IstMP3 = true;
  info.Titel = U"Song   ";
  info.Interpret = U"Queen";
  info.Album = U"Gold";
  info.MPEG = U"1";
  info.Layer = U"3";
  info.Bitrate = U"128";
  info.SampFreq = U"44100";
  info.Mode = U"Joint Stereo";
  info.Dauer = U"00:00";
  return info;
}

TEST(ExportLine, ChosenColumnsInTableOrder) {
  TInfo untitled = Mp3Record();
  untitled.Titel = U"";
  TInfo text;
  text.Name = U"x";
  text.Typ = U"txt";
  text.Groesse = U"3";
  text.Datum = U"01.02.03 04:05";
  TInfo semicolon = Mp3Record();
  semicolon.Titel = U"a;b\t\"c\"";
  TInfo dots = Mp3Record();
  dots.Titel = U"Intro...";
  struct Row {
    const char* what;
    TInfo info;
    ExportParams params;
    std::string line;
  };
  const Row rows[] = {
      {"name and title", Mp3Record(), Columns({5, 1}), "a\tSong\r\n"},
      {"all thirteen", Mp3Record(), Columns({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}, ';'),
       "a;mp3;962;01.02.03 04:05;Song;Queen;Gold;1;3;128;44100;Joint Stereo;00:00\r\n"},
      {"empty value keeps its place", untitled, Columns({1, 5, 7}), "a\t\tGold\r\n"},
      {"empty first value", untitled, Columns({5, 7}), "\tGold\r\n"},
      {"non-MP3 with only Titel", text, Columns({5}), "\r\n"},
      {"non-MP3 drops tag columns", text, Columns({1, 5, 2, 13}), "x\ttxt\r\n"},
      {"no quoting", semicolon, Columns({5, 6}, ';'), "a;b\t\"c\";Queen\r\n"},
      {"trimmed dots", dots, Columns({5}), "Intro\r\n"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ExportFileLine(row.info, row.params), row.line) << row.what;
  }
}

class ExportRun : public ::testing::Test {
 protected:
  std::string Run(const std::string& target, const ExportParams& params,
                  const std::vector<std::string>& marks = {}) {
    std::ostringstream out;
    ExecutorContext executor;
    executor.reporter = &reporter;
    executor.journal = journal.get();
    outcome = RunExport(target, out, dir.path(), marks, context, params, executor);
    return out.str();
  }

  BatchContext WithReporter() {
    BatchContext made;
    made.reporter = &reporter;
    return made;
  }

  TempDir dir;
  test::RecordingReporter reporter;
  BatchContext context = WithReporter();
  std::unique_ptr<Journal> journal;
  ExportOutcome outcome;
};

TEST_F(ExportRun, MarkedFileAndTreeGetTheirDirectoryLines) {
  const std::string tagged = test::TwoFrames() + test::TagWith("Song ", "Queen", "Gold");
  WriteFile(dir / "a.mp3", tagged);
  WriteFile(dir / "b.mp3", tagged);
  WriteFile(dir / "x.txt", "abc");
  WriteFile(dir / "sub/c.mp3", tagged);
  EXPECT_EQ(Run("-", Columns({1, 5}), {"b.mp3"}), "\n" + dir.path() + "\r\nb\tSong\r\n");

  context.recursive = true;
  context.mask = U"*.mp3;*.txt";
  EXPECT_EQ(Run("-", Columns({5})), "\n" + dir.path() + "\r\nSong\r\nSong\r\n\r\n" +
                                         "\n" + dir.path() + "/sub\r\nSong\r\n");
  EXPECT_TRUE(outcome.written);
  EXPECT_FALSE(outcome.tagsAppended);
  EXPECT_TRUE(reporter.messages.empty());
}

TEST_F(ExportRun, EmptyDirectoryGivesAnEmptyList) {
  WriteFile(dir / "Liste.csv", "old");
  EXPECT_EQ(Run(dir / "Liste.csv", Columns({1})), "");
  EXPECT_TRUE(outcome.written);
  EXPECT_EQ(ReadFile(dir / "Liste.csv"), "");
}

TEST_F(ExportRun, FailingTargetFolderLeavesTheOldListAlone) {
  WriteFile(dir / "a.mp3", test::TwoFrames() + test::TagWith("Song", "", ""));
  WriteFile(dir / "out/Liste.csv", "old list");
  chmod(dir.path().c_str(), 0755);
  chmod((dir / "out").c_str(), 0555);
  const std::optional<bool> refused = test::CheckUnprivileged(dir.path(), [&] {
    Run(dir / "out/Liste.csv", Columns({1}));
    return !outcome.written && reporter.messages.size() == 1;
  });
  chmod((dir / "out").c_str(), 0755);
  if (!refused) GTEST_SKIP() << "an unprivileged user cannot enter " << dir.path();
  EXPECT_TRUE(*refused);
  EXPECT_EQ(ReadFile(dir / "out/Liste.csv"), "old list");
  std::error_code ec;
  EXPECT_EQ(ListFiles(dir / "out", U"*", ec), std::vector<std::string>{"Liste.csv"});
}

TEST_F(ExportRun, UntaggedMp3GetsItsTagAndUndoTakesItBack) {
  std::error_code ec;
  journal = Journal::Open(dir / "j.sqlite", 1'700'000'000, ec);
  ASSERT_FALSE(ec) << ec.message();
  const std::string audio = test::TwoFrames();
  WriteFile(dir / "a.mp3", audio);
  EXPECT_EQ(Run(dir / "Liste.csv", Columns({1, 5, 6})), "");
  EXPECT_EQ(ReadFile(dir / "Liste.csv"), "\n" + dir.path() + "\r\na\t\t\r\n");
  EXPECT_EQ(ReadFile(dir / "a.mp3"), audio + EmptyTag());
  EXPECT_TRUE(outcome.tagsAppended);

  const std::int64_t batch = NewestUndoableBatch(*journal, ec);
  ASSERT_FALSE(ec) << ec.message();
  const Plan undo = PlanUndo(*journal, batch, ec);
  ASSERT_FALSE(ec) << ec.message();
  ExecutorContext executor;
  executor.reporter = &reporter;
  executor.journal = journal.get();
  ApplyPlan(undo, executor);
  EXPECT_EQ(ReadFile(dir / "a.mp3"), audio);
  EXPECT_TRUE(reporter.messages.empty());
}

}  // namespace
}  // namespace sonavex
