#include "core/session/session.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/apply/tag_on_read.h"
#include "core/batch/planner.h"
#include "core/fs/fs.h"
#include "core/mp3/id3v1.h"
#include "support/recording_reporter.h"
#include "support/test_support.h"

namespace sonavex {
namespace {

using test::Exists;
using test::TempDir;
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
TEST_F(SessionTest, TheUndoTargetCountsFilesNotActions) {
  WriteFile(dir / "a.mp3", std::string(200, '\0'));
  WriteFile(dir / "b.mp3", std::string(200, '\0'));
  Plan header;
  header.operation = kTagFieldEdit;
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
    if (step.kind == StepKind::TagWrite) writes.push_back(step.name);
  }
  EXPECT_EQ(writes, (std::vector<std::string>{"a.mp3", "b.mp3"}));
  EXPECT_EQ(undo.steps[0].before.substr(3, 3), "Tit");
  EXPECT_EQ(undo.steps[0].after, EmptyTag());
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
