// Batches applied through the executor with a journal, then taken back.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "core/apply/executor.h"
#include "core/apply/undo.h"
#include "core/fs/fs.h"
#include "core/fs/fs_write.h"
#include "core/journal/journal.h"
#include "core/text/encoding.h"
#include "support/fault_fs.h"
#include "support/pending_replacement.h"
#include "support/recording_reporter.h"
#include "support/test_support.h"

namespace sonavex {
namespace {

using test::ReadFile;
using test::RecordingReporter;
using test::TempDir;
using test::WriteFile;

// The hash undo checks a replaced content by. Its values are stored in
// journals, so they are pinned; the FNV-1a hashes of older journals hold.
TEST(ContentHash, KeepsItsValuesAndReadsOlderJournals) {
  EXPECT_EQ(ContentHash(""), "v2:55855614c32f51b6");
  EXPECT_EQ(ContentHash("abc"), "v2:f83adc8d88d453ed");
  struct Row {
    std::string bytes, hash;
    bool holds;
  };
  const std::string words = "0123456789abcdef";
  const Row rows[] = {
      {"abc", "v2:f83adc8d88d453ed", true},
      {"abd", "v2:f83adc8d88d453ed", false},
      {"", "cbf29ce484222325", true},  // FNV-1a
      {"a", "af63dc4c8601ec8c", true},
      {"b", "af63dc4c8601ec8c", false},
      {"abc", "f83adc8d88d453ed", false},  // the new digits without their mark
      {"89abcdef01234567", ContentHash(words), false},  // words swapped
      {std::string("abc\0", 4), ContentHash("abc"), false},
      {words + words + words + "x", ContentHash(words + words + words + "y"), false},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(HoldsContentHash(row.bytes, row.hash), row.holds) << row.bytes << " " << row.hash;
  }
}

constexpr std::int64_t kNow = 1'700'000'000;

PlanStep RenameStep(const std::string& directory, std::string name, std::string newName) {
  return {directory, std::move(name), steps::Rename{std::move(newName)}};
}

std::vector<std::string> Names(const std::string& directory) {
  std::error_code ec;
  return ListFiles(directory, U"*", ec);
}

class UndoApplyTest : public ::testing::Test {
 protected:
  void SetUp() override { journal = OpenJournal(); }

  std::unique_ptr<Journal> OpenJournal() {
    std::error_code ec;
    auto opened = Journal::Open(dir / "journal.sqlite", kNow, ec);
    EXPECT_FALSE(ec) << ec.message();
    return opened;
  }

  ApplyResult Apply(const Plan& plan) {
    ExecutorContext context;
    context.reporter = &reporter;
    context.journal = journal.get();
    context.now = [] { return kNow; };
    context.onJournalFailure = [](std::error_code ec) { ADD_FAILURE() << ec.message(); };
    return ApplyPlan(plan, context);
  }

  Plan Batch(std::vector<PlanStep> steps) {
    Plan plan;
    plan.kind = PlanKindOf(Operation::G);
    plan.caption = U"Großbuchstaben abc->Abc";
    plan.directory = music;
    plan.steps = std::move(steps);
    return plan;
  }

  // The batch of a text replace of music/a.m3u killed after it wrote its
  // temporary file (named in `temporary`) and before it put it in place.
  std::int64_t KilledReplacement(std::string& temporary) {
    WriteFile(music + "/a.m3u", "old");
    JournalAction replace = test::PendingReplacementOf(music + "/a.m3u");
    std::error_code ec;
    const std::int64_t batch =
        journal->BeginBatch({kNow, 'Z', "Suchen und Ersetzen: Text", "", music, 0}, ec);
    const std::vector<std::int64_t> ids = journal->RecordPending(batch, {&replace, 1}, ec);
    EXPECT_FALSE(ec) << ec.message();
    temporary = JournaledTemporaryName(ids.at(0));
    WriteFile(music + "/" + temporary, "ne");
    return batch;
  }

  ApplyResult Undo(std::int64_t batch) {
    std::error_code ec;
    const Plan plan = PlanUndo(*journal, batch, ec);
    EXPECT_FALSE(ec) << ec.message();
    return Apply(plan);
  }

  TempDir dir;
  std::string music = dir / "music";
  RecordingReporter reporter;
  std::unique_ptr<Journal> journal;
};

// A chain, a case-only change and a rename onto a taken name: undo puts
// back exactly the names that were there, and undo of the undo redoes it.
TEST_F(UndoApplyTest, RenameBatchIsRestoredExactly) {
  for (const char* name : {"a.mp3", "b.mp3", "song.mp3", "x.mp3", "y.mp3"}) {
    WriteFile(music + "/" + name, name);
  }
  const ApplyResult applied = Apply(Batch({RenameStep(music, "b.mp3", "c.mp3"),
                                           RenameStep(music, "a.mp3", "b.mp3"),
                                           RenameStep(music, "song.mp3", "Song.mp3"),
                                           RenameStep(music, "x.mp3", "y.mp3")}));
  ASSERT_EQ(applied.performed, 3);
  ASSERT_NE(applied.batch, 0);
  reporter.messages.clear();

  const ApplyResult undone = Undo(applied.batch);
  EXPECT_EQ(undone.performed, 3);
  EXPECT_TRUE(reporter.messages.empty());
  EXPECT_EQ(Names(music),
            (std::vector<std::string>{"a.mp3", "b.mp3", "song.mp3", "x.mp3", "y.mp3"}));
  EXPECT_EQ(ReadFile(music + "/a.mp3"), "a.mp3");
  EXPECT_EQ(ReadFile(music + "/b.mp3"), "b.mp3");

  std::error_code ec;
  EXPECT_EQ(NewestUndoableBatch(*journal, ec), undone.batch);
  Undo(undone.batch);
  EXPECT_EQ(Names(music),
            (std::vector<std::string>{"b.mp3", "c.mp3", "Song.mp3", "x.mp3", "y.mp3"}));
  EXPECT_EQ(ReadFile(music + "/c.mp3"), "b.mp3");
}

// Tags written, then the files renamed: the tag batch is still taken back,
// except on the file whose tag changed since, which is reported and kept.
TEST_F(UndoApplyTest, TagBatchUndoneAfterRenamesLeavesChangedFilesAlone) {
  const std::string audio(300, 'm');
  const std::string oldTag = "TAG" + std::string(125, 'o');
  const std::string newTag = "TAG" + std::string(125, 'n');
  const std::string otherTag = "TAG" + std::string(125, 'x');
  WriteFile(music + "/a.mp3", audio + oldTag);
  WriteFile(music + "/b.mp3", audio + oldTag);
  const PlanStep tag{music, "a.mp3", steps::TagWrite{oldTag, newTag}};
  PlanStep second = tag;
  second.name = "b.mp3";
  const std::int64_t tags = Apply(Batch({tag, second})).batch;
  Apply(Batch({RenameStep(music, "a.mp3", "A.mp3"), RenameStep(music, "b.mp3", "B.mp3")}));
  WriteFile(music + "/B.mp3", audio + otherTag);
  reporter.messages.clear();

  const ApplyResult undone = Undo(tags);
  EXPECT_EQ(undone.performed, 1);
  EXPECT_EQ(ReadFile(music + "/A.mp3"), audio + oldTag);
  EXPECT_EQ(ReadFile(music + "/B.mp3"), audio + otherTag);
  ASSERT_EQ(reporter.messages.size(), 1u);
  EXPECT_EQ(reporter.messages[0].text,
            U32(music + "/B.mp3") + U"\n\r\n\rDatei wurde seither verändert");
}

TEST_F(UndoApplyTest, ContentIsPutBackUnlessChangedSince) {
  std::vector<PlanStep> steps;
  for (const char* name : {"kept.txt", "changed.txt"}) {
    WriteFile(music + "/" + name, "old\r\nlines");
    steps.push_back({music, name, steps::ContentReplace{.before = "old\r\nlines", .after = "new"}});
  }
  const std::int64_t batch = Apply(Batch(steps)).batch;
  WriteFile(music + "/changed.txt", "new!");

  EXPECT_EQ(Undo(batch).performed, 1);
  EXPECT_EQ(ReadFile(music + "/kept.txt"), "old\r\nlines");
  EXPECT_EQ(ReadFile(music + "/changed.txt"), "new!");
  ASSERT_EQ(reporter.messages.size(), 1u);
  EXPECT_EQ(reporter.messages[0].text,
            U32(music + "/changed.txt") + U"\n\r\n\rDatei wurde seither verändert");
}

// The temporary file a killed content replacement left goes with the undo;
// the file itself was never touched and stays as it is.
TEST_F(UndoApplyTest, UndoRemovesTheTemporaryFileOfAKilledReplacement) {
  std::string temporary;
  const std::int64_t batch = KilledReplacement(temporary);

  EXPECT_EQ(Undo(batch).failed, 0);
  EXPECT_TRUE(reporter.messages.empty());
  EXPECT_EQ(Names(music), std::vector<std::string>{"a.m3u"});
  EXPECT_EQ(ReadFile(music + "/a.m3u"), "old");
}

// A temporary file that cannot be removed stays, and the user is told
// which one and why.
TEST_F(UndoApplyTest, ATemporaryFileThatCannotBeRemovedIsReported) {
  std::string temporary;
  const std::int64_t batch = KilledReplacement(temporary);

  test::FaultFs faults;
  faults.FailNth(1, test::Fault::Access, test::Call::Unlink);
  Undo(batch);
  EXPECT_TRUE(faults.fired());
  ASSERT_EQ(reporter.messages.size(), 1u);
  EXPECT_EQ(reporter.messages[0].kind, MessageKind::Warning);
  EXPECT_TRUE(reporter.messages[0].text.starts_with(U32(music + "/" + temporary) +
                                                    U"\n\r\n\rFehler 13:"))
      << EncodeUtf8(reporter.messages[0].text);
  EXPECT_EQ(ReadFile(music + "/" + temporary), "ne");
}

// A batch killed part-way: the journal tells which renames happened, and
// undo restores exactly those.
TEST_F(UndoApplyTest, KilledBatchIsUndoneExactly) {
  constexpr int kFiles = 5000;
  std::vector<PlanStep> steps;
  std::vector<std::string> original;
  for (int i = 0; i < kFiles; ++i) {
    const std::string name = "f" + std::to_string(100000 + i);
    WriteFile(music + "/" + name, name);
    original.push_back(name);
    steps.push_back(RenameStep(music, name, "g" + name));
  }
  const Plan plan = Batch(steps);
  journal.reset();
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    journal = OpenJournal();
    Apply(plan);
    _exit(0);
  }
  // Kill once a few chunks are through, but before the last file.
  const std::string sign = music + "/g" + original[kFiles / 5];
  while (!test::Exists(sign)) usleep(100);
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the batch ended before it was killed";
  ASSERT_TRUE(test::Exists(music + "/" + original.back()));

  journal = OpenJournal();
  std::error_code ec;
  const std::int64_t batch = NewestUndoableBatch(*journal, ec);
  ASSERT_NE(batch, 0);
  const ApplyResult undone = Undo(batch);
  EXPECT_GE(undone.performed, kFiles / 5);
  EXPECT_EQ(undone.failed, 0);
  EXPECT_TRUE(reporter.messages.empty());
  EXPECT_EQ(Names(music), original);
  EXPECT_EQ(ReadFile(music + "/" + original[kFiles / 5]), original[kFiles / 5]);
}

}  // namespace
}  // namespace sonavex
