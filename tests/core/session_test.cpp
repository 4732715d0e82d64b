#include "core/session/session.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/apply/tag_on_read.h"
#include "core/batch/planner.h"
#include "core/fs/fs.h"
#include "core/mp3/id3v1.h"
#include "core/ops/export.h"
#include "support/mp3_fixtures.h"
#include "support/recording_reporter.h"
#include "support/test_support.h"

namespace sonavex {
namespace {

using test::Exists;
using test::TempDir;
using test::TagWith;
using test::TwoFrames;
using test::WriteFile;

constexpr std::int64_t kNow = 1'700'000'000;

struct SessionFixture {
  explicit SessionFixture(std::string journalPath) {
    SessionPorts ports;
    ports.reporter = &reporter;
    ports.previewOn = [this] { return preview; };
    ports.confirm = [this](const Plan& plan) {
      shown.push_back(plan.caption);
      return accept;
    };
    ports.journalTrouble = [this](JournalTrouble trouble, std::error_code) {
      troubles.push_back(trouble);
    };
    ports.now = [] { return kNow; };
    session = std::make_unique<Session>(std::move(journalPath), std::move(ports));
  }

  // "a.mp3" becomes "b.mp3".
  Plan AToB(const std::string& directory) {
    BatchContext context;
    context.mask = U"*.mp3";
    return session->PlanBatch(Operation::X, SearchReplaceParams{U"a", U"b"}, directory, {},
                              context);
  }

  // Renames in `directory` by searching `from` and putting `to`, in the
  // base name (X) or the file type (Y).
  UndoTarget Rename(const std::string& directory, Operation code, const char32_t* from,
                    const char32_t* to) {
    BatchContext context;
    context.mask = U"*.*";
    const Plan plan =
        session->PlanBatch(code, SearchReplaceParams{from, to}, directory, {}, context);
    const ApplyResult result = session->Apply(plan);
    return {result.batch, {}, result.performed};
  }

  // Strg+Z and Strg+Y as the window and the command line do them.
  void StepBack() {
    std::error_code ec;
    ASSERT_TRUE(session->Undo(session->FindUndoTarget().batch, ec));
    ASSERT_FALSE(ec);
  }
  void StepForward() {
    std::error_code ec;
    ASSERT_TRUE(session->Redo(session->FindRedoTarget().batch, ec));
    ASSERT_FALSE(ec);
  }

  test::RecordingReporter reporter;
  bool preview = false;
  bool accept = true;
  std::vector<std::u32string> shown;
  std::vector<JournalTrouble> troubles;
  std::unique_ptr<Session> session;
};

// A session over a fresh journal, with the folder its batches work in.
class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(f.session->OpenJournal()); }

  TempDir dir;
  const std::string music = dir / "music";
  SessionFixture f{dir / "journal.sqlite"};
};

TEST_F(SessionTest, ThePreviewDecidesWhetherAPlanRuns) {
  WriteFile(dir / "music/a.mp3", "x");
  f.preview = true;
  f.accept = false;
  EXPECT_FALSE(f.session->Run(f.AToB(dir / "music")));
  EXPECT_TRUE(Exists(dir / "music/a.mp3"));
  EXPECT_EQ(f.session->FindUndoTarget().batch, 0);

  f.accept = true;
  ASSERT_TRUE(f.session->Run(f.AToB(dir / "music")));
  EXPECT_EQ(f.shown.size(), 2u);
  EXPECT_TRUE(Exists(dir / "music/b.mp3"));

  f.preview = false;
  const UndoTarget target = f.session->FindUndoTarget();
  ASSERT_NE(target.batch, 0);
  EXPECT_EQ(target.files, 1);
  std::error_code ec;
  ASSERT_TRUE(f.session->Undo(target.batch, ec));
  EXPECT_FALSE(ec);
  EXPECT_EQ(f.shown.size(), 2u);  // the preview is off: nothing asked
  EXPECT_TRUE(Exists(dir / "music/a.mp3"));
  EXPECT_TRUE(f.reporter.messages.empty());
}

// A grid edit writes one file on every keystroke: one file, many actions.
// The progress port hears every step; a stop it asks for after the second
// step runs no further one and is told with the count of what ran.
TEST_F(SessionTest, TheProgressPortSeesEachStepAndCanStopTheBatch) {
  struct Watcher : BatchProgress {
    void Begin() override { seen.push_back("begin"); }
    void Advance(int done, int total) override {
      seen.push_back(std::to_string(done) + "/" + std::to_string(total));
    }
    void End() override { seen.push_back("end"); }
    bool StopRequested() override { return seen.size() > 2; }
    std::vector<std::string> seen;
  } watcher;
  SessionPorts ports;
  ports.reporter = &f.reporter;
  ports.progress = &watcher;
  Session session(dir / "journal2.sqlite", std::move(ports));
  for (const char* name : {"a1.mp3", "a2.mp3", "a3.mp3", "a4.mp3"}) {
    WriteFile(music + "/" + name, name);
  }
  const ApplyResult result = session.Apply(f.AToB(music));
  EXPECT_TRUE(result.stopped);
  EXPECT_EQ(result.performed, 2);
  EXPECT_EQ(watcher.seen, (std::vector<std::string>{"begin", "1/4", "2/4", "end"}));
  ASSERT_EQ(f.reporter.messages.size(), 1u);
  EXPECT_EQ(f.reporter.messages[0].text, U"Abgebrochen: 2 von 4 Änderungen ausgeführt");
  EXPECT_TRUE(Exists(music + "/b1.mp3") && Exists(music + "/b2.mp3") &&
              Exists(music + "/a3.mp3") && Exists(music + "/a4.mp3"));

  // The next batch begins unstopped.
  watcher.seen.clear();
  EXPECT_FALSE(session.Apply(f.AToB(music)).stopped);
}

TEST_F(SessionTest, TheUndoTargetCountsFilesNotActions) {
  WriteFile(dir / "a.mp3", std::string(200, '\0'));
  WriteFile(dir / "b.mp3", std::string(200, '\0'));
  Plan header;
  header.kind = PlanKind::GridEdit;
  header.caption = U"Titel";
  {
    StepSession edit(f.session->executorContext(), header);
    const std::pair<const char*, const char32_t*> keystrokes[] = {
        {"a.mp3", U"T"}, {"a.mp3", U"Ti"}, {"b.mp3", U"U"}, {"a.mp3", U"Tit"}};
    for (const auto& [name, text] : keystrokes) {
      std::error_code ec;
      for (const PlanStep& step : PlanTagField(dir.path(), name, TagField::Titel, text, ec).steps) {
        ASSERT_TRUE(edit.Apply(step));
      }
    }
  }
  const UndoTarget target = f.session->FindUndoTarget();
  EXPECT_EQ(target.files, 2);
  // Taken back, each file's writes are one step from its last tag to its
  // first (then the tag the first keystroke appended is cut off).
  std::error_code ec;
  const Plan undo = f.session->PlanUndoOf(target.batch, ec);
  std::vector<std::string> writes;
  for (const PlanStep& step : undo.steps) {
    if (Kind(step) == StepKind::TagWrite) writes.push_back(step.name);
  }
  EXPECT_EQ(writes, (std::vector<std::string>{"a.mp3", "b.mp3"}));
  EXPECT_EQ(As<steps::TagWrite>(undo.steps[0]).before.substr(3, 3), "Tit");
  EXPECT_EQ(As<steps::TagWrite>(undo.steps[0]).after, EmptyTag());
  EXPECT_EQ(f.session->Apply(undo).performed, 4);
  EXPECT_EQ(test::ReadFile(dir / "a.mp3"), std::string(200, '\0'));
  EXPECT_TRUE(f.reporter.messages.empty());
}

std::string OnlyName(const std::string& directory) {
  std::error_code ec;
  const std::vector<std::string> names = ListNames(directory, ec);
  return names.size() == 1 ? names[0] : "(" + std::to_string(names.size()) + " names)";
}

// Each undo steps one batch further back, each redo one forward again, and
// a new batch ends what can be redone.
TEST_F(SessionTest, UndoAndRedoStepThroughTheBatchesInOrder) {
  WriteFile(dir / "music/song.mp3", "x");
  f.Rename(music, Operation::X, U"song", U"one");
  f.Rename(music, Operation::X, U"one", U"two");
  f.Rename(music, Operation::X, U"two", U"three");
  EXPECT_EQ(f.session->FindRedoTarget().batch, 0);

  const char* const back[] = {"two.mp3", "one.mp3", "song.mp3"};
  for (const char* name : back) {
    f.StepBack();
    EXPECT_EQ(OnlyName(music), name);
  }
  EXPECT_EQ(f.session->FindUndoTarget().batch, 0);  // an undo is no step to take back
  const char* const forward[] = {"one.mp3", "two.mp3"};
  for (const char* name : forward) {
    const UndoTarget redo = f.session->FindRedoTarget();
    EXPECT_EQ(redo.files, 1);
    f.StepForward();
    EXPECT_EQ(OnlyName(music), name);
  }
  f.StepBack();
  EXPECT_EQ(OnlyName(music), "one.mp3");
  f.StepForward();
  EXPECT_EQ(OnlyName(music), "two.mp3");

  f.StepBack();
  f.Rename(music, Operation::X, U"one", U"four");
  EXPECT_EQ(OnlyName(music), "four.mp3");
  EXPECT_EQ(f.session->FindRedoTarget().batch, 0);
  f.StepBack();
  EXPECT_EQ(OnlyName(music), "one.mp3");
  EXPECT_TRUE(f.reporter.messages.empty());
}

// An older batch whose file a later batch renamed again: taking it back
// alone would take the later rename back too.
TEST_F(SessionTest, LaterChangesOfTheSameFilesAreTakenBackFirst) {
  WriteFile(dir / "music/a b.mp3", "x");
  WriteFile(dir / "music/other.txt", "x");
  BatchContext context;
  context.mask = U"*.mp3";
  const ApplyResult upper = f.session->Apply(
      f.session->PlanBatch(Operation::G, NoParams{}, music, {}, context));
  const UndoTarget type = f.Rename(music, Operation::Y, U"mp3", U"MP3");
  const UndoTarget elsewhere = f.Rename(music, Operation::X, U"other", U"Other");
  ASSERT_TRUE(Exists(dir / "music/A B.MP3"));

  std::error_code ec;
  std::vector<BatchSummary> later = f.session->LaterChanges(upper.batch, ec);
  ASSERT_EQ(later.size(), 1u);
  EXPECT_EQ(later[0].id, type.batch);
  EXPECT_TRUE(f.session->LaterChanges(type.batch, ec).empty());
  EXPECT_TRUE(f.session->LaterChanges(elsewhere.batch, ec).empty());

  ASSERT_TRUE(f.session->UndoWithLater(upper.batch, ec));
  EXPECT_FALSE(ec);
  EXPECT_TRUE(Exists(dir / "music/a b.mp3"));
  EXPECT_TRUE(Exists(dir / "music/Other.txt"));
  for (const BatchSummary& batch : f.session->Batches()) {
    const bool undone = batch.id == upper.batch || batch.id == type.batch;
    EXPECT_EQ(batch.undoneBy != 0, undone) << batch.header.caption;
  }
  // The pair of a batch and its undo cancel out: nothing stands in the way
  // of applying the older one again.
  EXPECT_TRUE(f.session->LaterChanges(f.session->Batches()[0].id, ec).empty());
  EXPECT_TRUE(f.reporter.messages.empty());
}

// The list is read again after a batch that may have renamed files; the
// tag batches over the whole folder change no name and leave it (and its
// marks) alone, and a batch declined in the preview changed nothing.
TEST_F(SessionTest, TheListIsReadAgainOnlyAfterABatchThatMayChangeNames) {
  WriteFile(music + "/a.mp3", TwoFrames() + TagWith("Titel", "", ""));
  struct Row {
    const char* what;
    Operation code;
    OperationParams params;
    bool accept;
    bool reread;
    const char* file;  // the one file of the folder afterwards
  };
  const Row rows[] = {
      {"rename", Operation::X, SearchReplaceParams{U"a", U"b"}, true, true, "b.mp3"},
      {"declined rename", Operation::X, SearchReplaceParams{U"b", U"c"}, false, false, "b.mp3"},
      {"tag batch", Operation::B, TagInsertParams{{U"x", U""}, {}, {}}, true, false, "b.mp3"},
  };
  f.preview = true;
  BatchContext context;
  for (const Row& row : rows) {
    f.accept = row.accept;
    const BatchOutcome outcome = f.session->RunBatch(row.code, row.params, music, {}, context);
    EXPECT_EQ(outcome.result.has_value(), row.accept) << row.what;
    EXPECT_EQ(outcome.rereadList, row.reread) << row.what;
    EXPECT_EQ(OnlyName(music), row.file) << row.what;
  }
  EXPECT_EQ(test::ReadFile(music + "/b.mp3").substr(TwoFrames().size() + 3, 6), "xTitel");
  EXPECT_TRUE(f.reporter.messages.empty());
}

// The list is read again after an export that wrote its list (the untagged
// files got their tag on the way), not after one that could not.
TEST_F(SessionTest, TheListIsReadAgainAfterAnExportThatWroteItsList) {
  WriteFile(music + "/a.mp3", TwoFrames());
  WriteFile(dir / "blocker", "a file where the list's folder would be");
  ExportParams params;
  params.columns[0] = true;
  const auto exportTo = [&](const std::string& target) {
    return f.session->RunExport(PlanExport(target, music, {}, BatchContext{}, params));
  };
  const BatchOutcome failed = exportTo(dir / "blocker/list.txt");
  ASSERT_TRUE(failed.result);
  EXPECT_FALSE(failed.rereadList);
  EXPECT_EQ(f.reporter.messages.size(), 1u);
  const BatchOutcome written = exportTo(dir / "list.txt");
  ASSERT_TRUE(written.result);
  EXPECT_EQ(written.result->exported, 1);
  EXPECT_TRUE(written.rereadList);
}

// Taking back a batch whose files later batches changed again asks first;
// declined, nothing changes and the list stays.
TEST_F(SessionTest, UndoAskingTakesLaterChangesBackOnlyWhenAllowed) {
  WriteFile(music + "/a b.mp3", "x");
  BatchContext context;
  const ApplyResult upper = f.session->Apply(
      f.session->PlanBatch(Operation::G, NoParams{}, music, {}, context));
  const UndoTarget type = f.Rename(music, Operation::Y, U"mp3", U"MP3");
  std::vector<std::int64_t> asked;
  bool allow = false;
  const LaterFirstQuestion ask = [&](const BatchSummary& batch,
                                     const std::vector<BatchSummary>& later) {
    asked.push_back(batch.id);
    for (const BatchSummary& each : later) asked.push_back(each.id);
    return allow;
  };
  std::error_code ec;
  const BatchOutcome declined = f.session->UndoAsking(upper.batch, ask, ec);
  EXPECT_FALSE(declined.result);
  EXPECT_FALSE(declined.rereadList);
  EXPECT_EQ(asked, (std::vector<std::int64_t>{upper.batch, type.batch}));
  EXPECT_EQ(OnlyName(music), "A B.MP3");

  allow = true;
  const BatchOutcome undone = f.session->UndoAsking(upper.batch, ask, ec);
  EXPECT_FALSE(ec);
  EXPECT_TRUE(undone.result);
  EXPECT_TRUE(undone.rereadList);
  EXPECT_EQ(OnlyName(music), "a b.mp3");

  // A batch in effect cannot be applied again; the undone one can.
  EXPECT_FALSE(f.session->RedoAsking(f.session->Batches()[0].id, ask, ec).rereadList);
  EXPECT_TRUE(f.session->RedoAsking(upper.batch, ask, ec).rereadList);
  EXPECT_FALSE(ec);
  EXPECT_EQ(OnlyName(music), "A B.mp3");
  EXPECT_EQ(asked.size(), 4u);  // asked twice, the redo not at all
  EXPECT_TRUE(f.reporter.messages.empty());
}

// The clicks of one visit of a folder give one batch of tags; a file that
// cannot be read is reported by its name.
TEST_F(SessionTest, TheTagsOfClicksJoinPerVisitOfAFolder) {
  for (const char* name : {"music/a.mp3", "music/b.mp3", "other/c.mp3"}) {
    WriteFile(dir / name, TwoFrames());
  }
  const std::string other = dir / "other";
  const std::pair<std::string, std::string> clicks[] = {
      {music, "a.mp3"}, {music, "b.mp3"}, {other, "c.mp3"}};
  for (const auto& [folder, name] : clicks) {
    const ClickedFile clicked = f.session->ReadClickedFile(JoinPath(folder, name), folder);
    EXPECT_TRUE(clicked.tagged) << name;
    EXPECT_TRUE(clicked.info.IstMP3) << name;
  }
  const std::vector<BatchSummary> batches = f.session->Batches();
  ASSERT_EQ(batches.size(), 2u);
  EXPECT_EQ(batches[1].doneActions, 2);
  EXPECT_EQ(batches[0].doneActions, 1);
  EXPECT_FALSE(f.session->ReadClickedFile(music + "/a.mp3", music).tagged);  // tagged now

  const ClickedFile missing = f.session->ReadClickedFile(music + "/gone.mp3", music);
  EXPECT_TRUE(missing.error);
  EXPECT_FALSE(missing.tagged);
  ASSERT_EQ(f.reporter.messages.size(), 1u);
  EXPECT_NE(f.reporter.messages[0].text.find(U"gone.mp3"), std::u32string::npos);
}

// The empty tag an untagged file gets on reading is listed, but undo and
// redo pass it by.
TEST_F(SessionTest, TagsGivenOnReadingAreNoStepOfTheirOwn) {
  WriteFile(dir / "music/song.mp3", std::string(300, '\0'));
  WriteFile(dir / "music/other.mp3", std::string(300, '\0'));
  const UndoTarget rename = f.Rename(music, Operation::X, U"song", U"one");
  const auto readTag = [&](const std::string& name) {
    TagOnRead tags(f.session->executorContext());
    EXPECT_TRUE(tags.Appender()(JoinPath(music, name), 300));
    EXPECT_TRUE(tags.End());
  };
  readTag("one.mp3");
  EXPECT_EQ(f.session->Batches().size(), 2u);
  EXPECT_EQ(f.session->FindUndoTarget().batch, rename.batch);
  f.StepBack();
  EXPECT_EQ(test::ReadFile(JoinPath(music, "song.mp3")).size(), 428u);  // the tag stays
  readTag("other.mp3");
  EXPECT_EQ(f.session->FindUndoTarget().batch, 0);
  // The clicks of one visit join the visit's batch while nothing comes
  // between.
  const std::int64_t visit = f.session->JoinTagsOnRead(0);
  WriteFile(dir / "music/third.mp3", std::string(300, '\0'));
  readTag("third.mp3");
  EXPECT_EQ(f.session->JoinTagsOnRead(visit), visit);
  EXPECT_EQ(f.session->Batches()[0].doneActions, 2);
  EXPECT_EQ(f.session->FindRedoTarget().batch, rename.batch);
  EXPECT_TRUE(f.reporter.messages.empty());
}

// Without a journal every batch still runs; the front end hears of it once.
TEST(Session, AJournalThatCannotBeOpenedIsToldOnceAndBatchesStillRun) {
  TempDir dir;
  WriteFile(dir / "blocker", "a file where the journal's folder would be");
  WriteFile(dir / "music/a.mp3", "x");
  SessionFixture f(dir / "blocker/journal.sqlite");
  EXPECT_TRUE(f.session->OpenJournal());
  EXPECT_FALSE(f.session->OpenJournal());  // tried once per session
  EXPECT_EQ(f.session->journal(), nullptr);
  ASSERT_TRUE(f.session->Run(f.AToB(dir / "music")));
  EXPECT_TRUE(Exists(dir / "music/b.mp3"));
  EXPECT_EQ(f.troubles, std::vector<JournalTrouble>{JournalTrouble::Open});
  EXPECT_EQ(f.session->FindUndoTarget().batch, 0);
  std::error_code ec;
  EXPECT_FALSE(f.session->Undo(1, ec));
}

}  // namespace
}  // namespace sonavex
