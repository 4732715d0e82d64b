// The tag operations as batches: planned per MP3 file from its record,
// applied by the executor, and taken back from the journal.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "core/apply/executor.h"
#include "core/apply/undo.h"
#include "core/batch/planner.h"
#include "core/fs/fs.h"
#include "core/journal/journal.h"
#include "core/mp3/id3v1.h"
#include "core/text/encoding.h"
#include "support/mp3_fixtures.h"
#include "support/recording_reporter.h"
#include "support/test_support.h"

namespace sonavex {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

using test::kAudio;

std::string Field(std::string_view text, char pad) {
  std::string field(text);
  field.resize(30, pad);
  return field;
}

// A tag as other programs write it: fields padded with zero bytes, a year,
// a comment and a genre that no operation may touch.
std::string ZeroPaddedTag(std::string_view titel, std::string_view interpret,
                          std::string_view album) {
  return "TAG" + Field(titel, '\0') + Field(interpret, '\0') + Field(album, '\0') +
         "1999" + Field("Kommentar", '\0') + "\x11";
}

// The same tag with the given fields as this program writes them.
std::string Written(std::string tag, std::string_view titel, std::string_view interpret,
                    std::string_view album) {
  if (!titel.empty()) tag.replace(3, 30, Field(titel, ' '));
  if (!interpret.empty()) tag.replace(33, 30, Field(interpret, ' '));
  if (!album.empty()) tag.replace(63, 30, Field(album, ' '));
  return tag;
}

TagSource Typed(std::u32string text) { return {true, -1, std::move(text)}; }

// Lets the plain user of CheckUnprivileged enter `directory` and makes it
// the owner of `files`, as root can; a plain user running the tests owns
// them already.
void HandOver(const std::string& directory, const std::vector<std::string>& files) {
  chmod(directory.c_str(), 0755);
  if (geteuid() != 0) return;
  for (const std::string& file : files) ASSERT_EQ(chown(file.c_str(), 65534, 65534), 0);
}

class TagBatchTest : public ::testing::Test {
 protected:
  void SetUp() override { context.reporter = &reporter; }

  ApplyResult Run(Operation code, const OperationParams& params,
                  const std::vector<std::string>& marks = {}) {
    return RunSelection(code, params, dir.path(), marks, context);
  }

  std::vector<std::string> Texts() const {
    std::vector<std::string> out;
    for (const auto& message : reporter.messages) out.push_back(EncodeUtf8(message.text));
    return out;
  }

  TempDir dir;
  test::RecordingReporter reporter;
  BatchContext context;
};

// The whole file after each writer: only the fields it writes change, each
// blank-padded; year, comment and genre keep their bytes.
TEST_F(TagBatchTest, WritersChangeOnlyTheirFieldsByteForByte) {
  const std::string before = ZeroPaddedTag("the end", "Queen", "Best  of");
  const std::string longTitle = "ABCDEFGHIJKLMNOPQRSTUVWXYZ12";
  struct Row {
    const char* what;
    Operation code;
    OperationParams params;
    std::string tag;
    std::string expected;
  };
  const Row rows[] = {
      {"W on the album alone", Operation::W, TagReplaceParams{{}, {}, {U"of", U"OF"}}, before,
       Written(before, "", "", "Best OF")},
      {"W growing a 28-character title past 30", Operation::W,
       TagReplaceParams{{U"12", U"0123456789"}, {}, {}},
       ZeroPaddedTag(longTitle, "", ""),
       Written(ZeroPaddedTag(longTitle, "", ""), "ABCDEFGHIJKLMNOPQRSTUVWXYZ0...", "", "")},
      {"A writes every field", Operation::A, TagDeleteParams{{4, 0}, {}, {}}, before,
       Written(before, "end", "Queen", "Best of")},
      {"B past 30 characters", Operation::B,
       TagInsertParams{{}, {U"", U" (Live at Wembley Stadium)"}, {}}, before,
       Written(before, "the end", "Queen (Live at Wembley Stad...", "Best of")},
      {"I writes the checked fields", Operation::I,
       TagFromNameParams{Typed(U"Wörter"), {}, Typed(U"")}, before,
       Written(before, "W\xF6rter", "", std::string(30, ' '))},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    WriteFile(dir / "a.mp3", kAudio + row.tag);
    const ApplyResult result = Run(row.code, row.params);
    EXPECT_EQ(result.performed, 1);
    EXPECT_EQ(ReadFile(dir / "a.mp3"), kAudio + row.expected);
  }
  EXPECT_TRUE(reporter.messages.empty());
}

// 'W', 'A' and 'B' run over every MP3 file of the directory, whatever is
// marked; other files are passed over without a word.
TEST_F(TagBatchTest, FieldEditsIgnoreMarksAndOtherFiles) {
  context.mask = U"*.*";
  std::vector<std::string> names;
  for (int i = 0; i < 20; ++i) {
    names.push_back("song" + std::to_string(i + 10) + (i % 2 ? ".MP3" : ".mp3"));
    WriteFile(dir / names.back(), kAudio + ZeroPaddedTag("Title", "", ""));
  }
  WriteFile(dir / "notes.txt", "Title");
  const std::vector<std::string> marked(names.begin(), names.begin() + 5);
  struct Row {
    Operation code;
    OperationParams params;
    const char* title;
  };
  const Row rows[] = {
      {Operation::W, TagReplaceParams{{U"title", U"Song"}, {}, {}}, "Song"},
      {Operation::B, TagInsertParams{{U"My ", U""}, {}, {}}, "My Song"},
      {Operation::A, TagDeleteParams{{0, 3}, {}, {}}, "My S"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(Run(row.code, row.params, marked).performed, 20);
    for (const std::string& name : names) {
      EXPECT_EQ(ReadFile(dir / name).substr(kAudio.size() + 3, 30), Field(row.title, ' '))
          << name;
    }
  }
  EXPECT_EQ(ReadFile(dir / "notes.txt"), "Title");
  EXPECT_TRUE(reporter.messages.empty());
}

// An untagged file first gets its empty tag, whose fields read as blanks.
TEST_F(TagBatchTest, UntaggedFileGetsItsTagFirst) {
  WriteFile(dir / "a.mp3", kAudio);
  const Plan plan = PlanSelection(Operation::B, TagInsertParams{{U"01 ", U""}, {}, {U"", U"!"}},
                                  dir.path(), {}, context);
  ASSERT_EQ(plan.steps.size(), 2u);
  ASSERT_EQ(Kind(plan.steps[0]), StepKind::TagAppend);
  EXPECT_EQ(As<steps::TagAppend>(plan.steps[0]).sizeBefore, 300);
  ASSERT_EQ(Kind(plan.steps[1]), StepKind::TagWrite);
  EXPECT_EQ(As<steps::TagWrite>(plan.steps[1]).before, EmptyTag());
  EXPECT_EQ(ReadFile(dir / "a.mp3"), kAudio) << "planning changes nothing";
  ExecutorContext executor;
  executor.reporter = &reporter;
  ApplyPlan(plan, executor);
  EXPECT_EQ(ReadFile(dir / "a.mp3"),
            kAudio + Written(EmptyTag(), "01", std::string(30, ' '), "!"));
  // 'W' finds nothing in an empty tag and writes the searched fields blank.
  WriteFile(dir / "b.mp3", kAudio);
  WriteFile(dir / "a.mp3", kAudio + ZeroPaddedTag("x", "", ""));
  Run(Operation::W, TagReplaceParams{{}, {U"x", U"y"}, {}});
  EXPECT_EQ(ReadFile(dir / "b.mp3"), kAudio + EmptyTag());
  EXPECT_TRUE(reporter.messages.empty());
}

// A read-only file is written and is read-only again afterwards, also one
// that gets its tag appended first (the two steps then open it one after
// the other instead of sharing one open). As root every file is writable,
// so the batch runs as a plain user who owns it.
TEST_F(TagBatchTest, ReadOnlyFileIsWrittenAndStaysReadOnly) {
  const std::string path = dir / "a.mp3";
  const std::string untagged = dir / "b.mp3";
  WriteFile(path, kAudio + ZeroPaddedTag("Song", "", ""));
  WriteFile(untagged, kAudio);
  WriteFile(dir / "c.mp3", kAudio);  // writable, for what the untagged one gets
  HandOver(dir.path(), {path, untagged, dir / "c.mp3"});
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  ASSERT_EQ(chmod(untagged.c_str(), 0444), 0);
  const std::optional<bool> ran = test::CheckUnprivileged(dir.path(), [&] {
    return Run(Operation::B, TagInsertParams{{U"", U" (Live)"}, {}, {}}).performed == 5 &&
           reporter.messages.empty();
  });
  if (!ran) GTEST_SKIP() << "an unprivileged user cannot enter " << dir.path();
  EXPECT_TRUE(*ran);
  EXPECT_EQ(ReadFile(path), kAudio + Written(ZeroPaddedTag("Song", "", ""), "Song (Live)",
                                             std::string(30, ' '), std::string(30, ' ')));
  EXPECT_EQ(ReadFile(untagged), ReadFile(dir / "c.mp3"));
  EXPECT_EQ(ReadFile(untagged).size(), kAudio.size() + kTagSize);
  for (const std::string& file : {path, untagged}) {
    struct stat st{};
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u) << file;
  }
}

// A file that cannot be read is reported with its directory and name; the
// batch goes on with the next file.
TEST_F(TagBatchTest, UnreadableFileIsReportedAndTheBatchGoesOn) {
  WriteFile(dir / "a.mp3", kAudio + ZeroPaddedTag("A", "", ""));
  WriteFile(dir / "b.mp3", kAudio + ZeroPaddedTag("B", "", ""));
  HandOver(dir.path(), {dir / "a.mp3", dir / "b.mp3"});
  ASSERT_EQ(chmod((dir / "a.mp3").c_str(), 0), 0);
  const std::u32string expected = RenameMessageText(
      std::make_error_code(std::errc::permission_denied), DecodeUtf8(dir.path()), U"a.mp3");
  const std::optional<bool> ran = test::CheckUnprivileged(dir.path(), [&] {
    const ApplyResult result = Run(Operation::W, TagReplaceParams{{U"b", U"c"}, {}, {}});
    return result.performed == 1 && result.failed == 1 && reporter.messages.size() == 1 &&
           reporter.messages[0].text == expected;
  });
  if (!ran) GTEST_SKIP() << "an unprivileged user cannot enter " << dir.path();
  EXPECT_TRUE(*ran);
  EXPECT_EQ(ReadFile(dir / "b.mp3").substr(kAudio.size() + 3, 30), Field("c", ' '));
}

// 'N' renames MP3 files after their tags; the second of two files whose
// tags give one name is refused, and no file is overwritten.
TEST_F(TagBatchTest, NameFromTagRenamesAndNeverOverwrites) {
  context.mask = U"*.*";
  WriteFile(dir / "track01.MP3", kAudio + ZeroPaddedTag("Bohemian Rhapsody", "Queen", ""));
  WriteFile(dir / "track02.mp3", kAudio + ZeroPaddedTag("Bohemian  Rhapsody", "Queen", "x"));
  WriteFile(dir / "Song.wav", "wav");
  const ApplyResult result = Run(Operation::N, NameFromTagParams{2});
  EXPECT_EQ(result.performed, 1);
  std::error_code ec;
  EXPECT_EQ(ListFiles(dir.path(), U"*", ec),
            (std::vector<std::string>{"Queen - Bohemian Rhapsody.mp3", "Song.wav",
                                      "track02.mp3"}));
  EXPECT_EQ(ReadFile(dir / "Queen - Bohemian Rhapsody.mp3"),
            kAudio + ZeroPaddedTag("Bohemian Rhapsody", "Queen", ""));
  EXPECT_EQ(Texts(), (std::vector<std::string>{EncodeUtf8(RenameMessageText(
                         std::make_error_code(std::errc::file_exists),
                         DecodeUtf8(dir.path()), U"track02.mp3"))}));
}

// 'N' runs the replacement table over the new name while its switch is on.
TEST_F(TagBatchTest, NameFromTagRunsTheReplacementTable) {
  WriteFile(dir / "x.mp3", kAudio + ZeroPaddedTag("a_b", "", ""));
  context.table[0] = {U"_", U" "};
  for (const bool active : {false, true}) {
    context.replacementActive = active;
    Run(Operation::N, NameFromTagParams{4});  // the title alone
    std::error_code ec;
    EXPECT_EQ(ListFiles(dir.path(), U"*", ec),
              (std::vector<std::string>{active ? "a b.mp3" : "a_b.mp3"}));
  }
  EXPECT_TRUE(reporter.messages.empty());
}

class TagUndoTest : public TagBatchTest {
 protected:
  void SetUp() override {
    TagBatchTest::SetUp();
    std::error_code ec;
    journal = Journal::Open(journalDir / "journal.sqlite", 1'700'000'000, ec);
    ASSERT_FALSE(ec) << ec.message();
    executor.reporter = &reporter;
    executor.journal = journal.get();
    executor.onJournalFailure = [](std::error_code e) { ADD_FAILURE() << e.message(); };
  }

  // name=content of every file of the directory, in name order.
  std::vector<std::string> Snapshot() const {
    std::error_code ec;
    std::vector<std::string> out;
    for (const std::string& name : ListFiles(dir.path(), U"*", ec)) {
      out.push_back(name + "=" + ReadFile(dir / name));
    }
    return out;
  }

  void RunAndUndo(Operation code, const OperationParams& params) {
    const std::vector<std::string> before = Snapshot();
    const ApplyResult done = RunSelection(code, params, dir.path(), {}, context, executor);
    ASSERT_NE(done.batch, 0);
    EXPECT_NE(Snapshot(), before);
    std::error_code ec;
    const Plan undo = PlanUndo(*journal, done.batch, ec);
    ASSERT_FALSE(ec) << ec.message();
    ApplyPlan(undo, executor);
    EXPECT_EQ(Snapshot(), before);
    EXPECT_TRUE(reporter.messages.empty());
  }

  TempDir journalDir;
  std::unique_ptr<Journal> journal;
  ExecutorContext executor;
};

TEST_F(TagUndoTest, TagFromNameBatchIsUndoneByteForByte) {
  WriteFile(dir / "ABBA - Waterloo.mp3", kAudio + ZeroPaddedTag("t", "a", "b"));
  WriteFile(dir / "untagged.mp3", kAudio);
  RunAndUndo(Operation::I, TagFromNameParams{Typed(U"Titel"), {}, Typed(U"Gold")});
}

TEST_F(TagUndoTest, NameFromTagBatchIsUndoneByteForByte) {
  WriteFile(dir / "1.mp3", kAudio + ZeroPaddedTag("Waterloo", "ABBA", "Gold"));
  WriteFile(dir / "2.mp3", kAudio);
  RunAndUndo(Operation::N, NameFromTagParams{0});
}

}  // namespace
}  // namespace sonavex
