#include "core/session/session.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/batch/planner.h"
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

  test::RecordingReporter reporter;
  bool preview = false;
  bool accept = true;
  std::vector<std::u32string> shown;
  std::vector<JournalTrouble> troubles;
  std::unique_ptr<Session> session;
};

TEST(Session, ThePreviewDecidesWhetherAPlanRuns) {
  TempDir dir;
  WriteFile(dir / "music/a.mp3", "x");
  SessionFixture f(dir / "journal.sqlite");
  ASSERT_FALSE(f.session->OpenJournal());
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
TEST(Session, TheUndoTargetCountsFilesNotActions) {
  TempDir dir;
  WriteFile(dir / "a.mp3", std::string(200, '\0'));
  WriteFile(dir / "b.mp3", std::string(200, '\0'));
  SessionFixture f(dir / "journal.sqlite");
  ASSERT_FALSE(f.session->OpenJournal());
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
  EXPECT_EQ(f.session->FindUndoTarget().files, 2);
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
