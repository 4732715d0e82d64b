// The list export: line bytes, directory lines, the atomic write, the tags
// it appends, and taking it back.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "core/apply/executor.h"
#include "core/apply/undo.h"
#include "core/batch/planner.h"
#include "core/journal/journal.h"
#include "core/mp3/tinfo.h"
#include "core/ops/export.h"
#include "core/text/encoding.h"
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

constexpr std::int64_t kModified = 1043985900;  // early February 2003

// The record of a file read from disk; `title` goes into its tag.
InfoRecord Mp3Record(std::u32string_view title = U"Song   ") {
  InfoRecord record;
  record.name = "a.mp3";
  record.size = 962;
  record.modified = kModified;
  record.statKnown = true;
  record.isMp3 = true;
  std::string tag = EmptyTag();
  RenderTagFieldInto(tag, TagField::Titel, title);
  RenderTagFieldInto(tag, TagField::Interpret, U"Queen");
  RenderTagFieldInto(tag, TagField::Album, U"Gold");
  SetTagFields(record, tag);
  record.version = MpegVersion::V1;
  record.layer = 3;
  record.bitrateKbps = 128;
  record.sampleRate = 44100;
  record.mode = ChannelMode::JointStereo;
  record.timed = true;
  return record;
}

TEST(ExportLine, ChosenColumnsInTableOrder) {
  InfoRecord text;
  text.name = "x.txt";
  text.size = 3;
  text.modified = kModified;
  text.statKnown = true;
  const std::string date = EncodeUtf8(FormatDatum(kModified));
  struct Row {
    const char* what;
    InfoRecord record;
    ExportParams params;
    std::string line;
  };
  const Row rows[] = {
      {"name and title", Mp3Record(), Columns({5, 1}), "a\tSong\r\n"},
      {"all thirteen", Mp3Record(), Columns({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}, ';'),
       "a;mp3;962;" + date + ";Song;Queen;Gold;1;3;128;44100;Joint Stereo;00:00\r\n"},
      {"empty value keeps its place", Mp3Record(U""), Columns({1, 5, 7}), "a\t\tGold\r\n"},
      {"empty first value", Mp3Record(U""), Columns({5, 7}), "\tGold\r\n"},
      {"non-MP3 with only Titel", text, Columns({5}), "\r\n"},
      {"non-MP3 drops tag columns", text, Columns({1, 5, 2, 13}), "x\ttxt\r\n"},
      {"no quoting", Mp3Record(U"a;b\t\"c\""), Columns({5, 6}, ';'), "a;b\t\"c\";Queen\r\n"},
      {"trimmed dots", Mp3Record(U"Intro..."), Columns({5}), "Intro\r\n"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ExportFileLine(row.record, row.params), row.line) << row.what;
  }
}

class ExportRun : public ::testing::Test {
 protected:
  std::string Run(const std::string& target, const ExportParams& params,
                  const std::vector<std::string>& marks = {}) {
    std::ostringstream out;
    ExecutorContext executor = Executor();
    executor.standardOut = &out;
    executor.tagOnRead = tagOnRead;
    result = ApplyPlan(PlanExport(target, dir.path(), marks, context, params), executor);
    return out.str();
  }

  ExecutorContext Executor() {
    ExecutorContext executor;
    executor.reporter = &reporter;
    executor.journal = journal.get();
    return executor;
  }

  void OpenJournal() {
    std::error_code ec;
    journal = Journal::Open(dir / "state/j.sqlite", 1'700'000'000, ec);
    ASSERT_FALSE(ec) << ec.message();
  }

  // Takes the newest batch of the journal back.
  void UndoNewest() {
    std::error_code ec;
    const std::int64_t batch = NewestUndoableBatch(*journal, ec);
    ASSERT_FALSE(ec) << ec.message();
    ASSERT_NE(batch, 0);
    const Plan undo = PlanUndo(*journal, batch, ec);
    ASSERT_FALSE(ec) << ec.message();
    ApplyPlan(undo, Executor());
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
  ApplyResult result;
  bool tagOnRead = true;
};

// With "ID3Tag beim Lesen anlegen" off, the list shows an untagged file
// with empty fields and the file stays as it is, to a file and to "-".
TEST_F(ExportRun, WithoutTagsOnReadingNoFileIsWritten) {
  tagOnRead = false;
  const std::string audio = test::TwoFrames();
  WriteFile(dir / "a.mp3", audio);
  EXPECT_EQ(Run(dir / "Liste.csv", Columns({1, 5})), "");
  EXPECT_EQ(ReadFile(dir / "Liste.csv"), "\n" + dir.path() + "\r\na\t\r\n");
  EXPECT_EQ(Run("-", Columns({1, 5})), "\n" + dir.path() + "\r\na\t\r\n");
  EXPECT_EQ(ReadFile(dir / "a.mp3"), audio);
  EXPECT_TRUE(reporter.messages.empty());
}

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
  EXPECT_EQ(result.exported, 1);
  EXPECT_EQ(result.performed, 1);  // the list alone: no tag was appended
  EXPECT_TRUE(reporter.messages.empty());
}

TEST_F(ExportRun, EmptyDirectoryGivesAnEmptyList) {
  WriteFile(dir / "Liste.csv", "old");
  EXPECT_EQ(Run(dir / "Liste.csv", Columns({1})), "");
  EXPECT_EQ(result.exported, 1);
  EXPECT_EQ(ReadFile(dir / "Liste.csv"), "");
}

// The folder is found unwritable before any file is read: the untagged
// file, which the user could give a tag, keeps its bytes.
TEST_F(ExportRun, FailingTargetFolderLeavesTheOldListAlone) {
  WriteFile(dir / "a.mp3", test::TwoFrames());
  WriteFile(dir / "out/Liste.csv", "old list");
  chmod(dir.path().c_str(), 0777);
  chmod((dir / "a.mp3").c_str(), 0666);
  chmod((dir / "out").c_str(), 0555);
  const std::optional<bool> refused = test::CheckUnprivileged(dir.path(), [&] {
    Run(dir / "out/Liste.csv", Columns({1}));
    return result.exported == 0 && reporter.messages.size() == 1 &&
           reporter.messages[0].text.starts_with(DecodeUtf8(dir / "out/Liste.csv")) &&
           ReadFile(dir / "a.mp3") == test::TwoFrames();
  });
  chmod((dir / "out").c_str(), 0755);
  if (!refused) GTEST_SKIP() << "an unprivileged user cannot enter " << dir.path();
  EXPECT_TRUE(*refused);
  EXPECT_EQ(ReadFile(dir / "out/Liste.csv"), "old list");
  std::error_code ec;
  EXPECT_EQ(ListFiles(dir / "out", U"*", ec), std::vector<std::string>{"Liste.csv"});
}

// A target whose folder is a file fails for every user: the error comes
// before anything is read, nothing is journaled, nothing is left behind.
TEST_F(ExportRun, UnwritableTargetIsReportedBeforeAnyFileIsTouched) {
  OpenJournal();
  WriteFile(dir / "a.mp3", test::TwoFrames());
  WriteFile(dir / "nofolder", "x");
  Run(dir / "nofolder/Liste.csv", Columns({1}));
  EXPECT_EQ(result.exported, 0);
  EXPECT_EQ(result.batch, 0);
  ASSERT_EQ(reporter.messages.size(), 1u);
  EXPECT_EQ(reporter.messages[0].kind, MessageKind::Error);
  EXPECT_EQ(reporter.messages[0].text,
            FailureMessageText(std::make_error_code(std::errc::not_a_directory),
                               DecodeUtf8(dir / "nofolder"), U"Liste.csv"));
  EXPECT_EQ(ReadFile(dir / "a.mp3"), test::TwoFrames());
  std::error_code ec;
  EXPECT_EQ(ListFiles(dir.path(), U"*", ec),
            (std::vector<std::string>{"a.mp3", "nofolder"}));
  EXPECT_EQ(NewestUndoableBatch(*journal, ec), 0);
}

// The export is one batch: undo cuts the appended tags off again and puts
// the old list back byte for byte, or removes a list that was new.
TEST_F(ExportRun, UndoTakesBackTheTagsAndTheList) {
  OpenJournal();
  const std::string audio = test::TwoFrames();
  const std::string oldList = "\nalte Liste\r\n\xE4\r\n";
  struct Row {
    const char* what;
    std::optional<std::string> before;  // the list there before, if any
  };
  for (const Row& row : {Row{"over an old list", oldList}, Row{"new list", std::nullopt}}) {
    SCOPED_TRACE(row.what);
    WriteFile(dir / "a.mp3", audio);
    std::filesystem::remove(dir / "Liste.csv");
    if (row.before) WriteFile(dir / "Liste.csv", *row.before);
    EXPECT_EQ(Run(dir / "Liste.csv", Columns({1, 5, 6})), "");
    EXPECT_EQ(ReadFile(dir / "Liste.csv"), "\n" + dir.path() + "\r\na\t\t\r\n");
    EXPECT_EQ(ReadFile(dir / "a.mp3"), audio + EmptyTag());
    EXPECT_NE(result.batch, 0);

    UndoNewest();
    EXPECT_EQ(ReadFile(dir / "a.mp3"), audio);
    EXPECT_EQ(std::filesystem::exists(dir / "Liste.csv"), row.before.has_value());
    if (row.before) {
      EXPECT_EQ(ReadFile(dir / "Liste.csv"), *row.before);
    }
    EXPECT_TRUE(reporter.messages.empty());

    // Undoing the undo writes the list again.
    UndoNewest();
    EXPECT_EQ(ReadFile(dir / "Liste.csv"), "\n" + dir.path() + "\r\na\t\t\r\n");
    EXPECT_EQ(ReadFile(dir / "a.mp3"), audio + EmptyTag());
    EXPECT_TRUE(reporter.messages.empty());
  }
}

}  // namespace
}  // namespace sonavex
