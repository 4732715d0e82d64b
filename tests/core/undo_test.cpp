#include "core/apply/undo.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/apply/describe.h"
#include "core/apply/executor.h"
#include "core/journal/journal.h"
#include "support/recording_reporter.h"
#include "support/test_support.h"

namespace sonavex {
namespace {

using test::TempDir;
using test::WriteFile;

constexpr std::int64_t kNow = 1'700'000'000;

std::string Tag(char fill) { return "TAG" + std::string(125, fill); }

JournalAction Rename(const std::string& directory, std::string oldName,
                     std::string newName, ActionState state = ActionState::Done) {
  JournalAction action;
  action.directory = directory;
  action.oldName = std::move(oldName);
  action.newName = std::move(newName);
  action.state = state;
  return action;
}

JournalAction OnPath(ActionKind kind, std::string path,
                     ActionState state = ActionState::Done) {
  JournalAction action;
  action.kind = kind;
  action.path = std::move(path);
  action.state = state;
  return action;
}

JournalAction TagWrite(std::string path, char before, char after,
                       ActionState state = ActionState::Done) {
  JournalAction action = OnPath(ActionKind::TagWrite, std::move(path), state);
  action.before = Tag(before);
  action.after = Tag(after);
  return action;
}

class UndoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::error_code ec;
    journal = Journal::Open(dir / "journal.sqlite", kNow, ec);
    ASSERT_FALSE(ec) << ec.message();
  }

  // Records a batch as the executor would, each action ending in its own
  // state. A batch with a Pending action is left unended, as after a kill.
  std::int64_t Record(const std::vector<JournalAction>& actions, char operation = 'G',
                      std::string caption = "Großbuchstaben abc->Abc",
                      std::int64_t undoes = 0) {
    std::error_code ec;
    const std::int64_t batch = journal->BeginBatch(
        {kNow, operation, std::move(caption), "", music, undoes}, ec);
    const auto ids = journal->RecordPending(batch, actions, ec);
    EXPECT_FALSE(ec) << ec.message();
    bool cutOff = false;
    for (std::size_t i = 0; i < ids.size(); ++i) {
      std::error_code marked;
      if (actions[i].state == ActionState::Done) marked = journal->MarkDone({&ids[i], 1});
      if (actions[i].state == ActionState::Failed) marked = journal->MarkFailed(ids[i], "x");
      EXPECT_FALSE(marked) << marked.message();
      cutOff = cutOff || actions[i].state == ActionState::Pending;
    }
    const std::error_code ended = cutOff ? std::error_code() : journal->EndBatch(batch);
    EXPECT_FALSE(ended) << ended.message();
    return batch;
  }

  Plan Undo(std::int64_t batch) {
    std::error_code ec;
    Plan plan = PlanUndo(*journal, batch, ec);
    EXPECT_FALSE(ec) << ec.message();
    EXPECT_EQ(plan.undoes, batch);
    return plan;
  }

  // One line per step, paths below the music folder, tags by their fill.
  std::vector<std::string> Steps(const Plan& plan) {
    static const char* const kKinds[] = {"Rename",     "TagWrite",    "TagAppend",
                                         "TagRemove",  "ContentReplace", "Refuse",
                                         "WalkFailure", "Export",     "FileCreate",
                                         "FileRemove"};
    std::vector<std::string> lines;
    for (const PlanStep& step : plan.steps) {
      std::string line = kKinds[static_cast<int>(Kind(step))];
      line += " " + (step.directory == music ? "m" : step.directory) + "/" + step.name;
      if (const std::string* newName = NewNameOf(step)) line += " -> " + *newName;
      if (const auto* write = std::get_if<steps::TagWrite>(&step.change)) {
        line += std::string(" ") + write->before[3] + "->" + write->after[3];
        if (write->before.size() != 128 || write->after.size() != 128) {
          line += " (not 128 bytes)";
        }
      }
      if (const auto* append = std::get_if<steps::TagAppend>(&step.change)) {
        line += " size " + std::to_string(append->sizeBefore);
      }
      if (const auto* remove = std::get_if<steps::TagRemove>(&step.change)) {
        line += " size " + std::to_string(remove->sizeBefore);
      }
      if (const auto* replace = std::get_if<steps::ContentReplace>(&step.change)) {
        line += " to \"" + replace->after + "\"";
      }
      if (!CanBePerformed(step)) line += " (not undoable)";
      lines.push_back(line);
    }
    return lines;
  }

  std::int64_t Newest() {
    std::error_code ec;
    const std::int64_t batch = NewestUndoableBatch(*journal, ec);
    EXPECT_FALSE(ec) << ec.message();
    return batch;
  }

  void Files(std::initializer_list<std::pair<const char*, std::string>> files) {
    for (const auto& [name, content] : files) WriteFile(music + "/" + name, content);
  }

  TempDir dir;
  std::string music = dir / "music";
  std::unique_ptr<Journal> journal;
};

// A chain inside the batch (b -> c before a -> b) only comes apart in
// reverse order; the refused rename is not taken back.
TEST_F(UndoTest, RenameBatchIsTakenBackInReverseOrder) {
  Files({{"c.mp3", ""}, {"b.mp3", ""}, {"D.mp3", ""}, {"e.mp3", ""}});
  const std::int64_t batch = Record({Rename(music, "b.mp3", "c.mp3"),
                                     Rename(music, "a.mp3", "b.mp3"),
                                     Rename(music, "e.mp3", "E.mp3", ActionState::Failed),
                                     Rename(music, "d.mp3", "D.mp3")});
  const Plan plan = Undo(batch);
  EXPECT_EQ(plan.kind, PlanKind::Undo);
  EXPECT_EQ(JournalLetter(plan), 'G');
  EXPECT_EQ(plan.caption, U"Rückgängig: Großbuchstaben abc->Abc");
  EXPECT_EQ(plan.directory, music);
  EXPECT_EQ(Steps(plan), (std::vector<std::string>{"Rename m/D.mp3 -> d.mp3",
                                                   "Rename m/b.mp3 -> a.mp3",
                                                   "Rename m/c.mp3 -> b.mp3"}));
}

TEST_F(UndoTest, EachKindIsInverted) {
  JournalAction kept = OnPath(ActionKind::ContentReplace, music + "/kept.txt");
  kept.before = "old";
  kept.sizeBefore = 3;
  JournalAction lost = OnPath(ActionKind::ContentReplace, music + "/lost.txt");
  lost.sizeBefore = kMaxKeptContent + 1;
  JournalAction append = OnPath(ActionKind::TagAppend, music + "/x.mp3");
  append.sizeBefore = 4000;
  JournalAction remove = OnPath(ActionKind::TagRemove, music + "/y.mp3");
  remove.sizeBefore = 5000;
  const std::int64_t batch =
      Record({TagWrite(music + "/t.mp3", 'a', 'b'), kept, lost, append, remove,
              OnPath(ActionKind::ExportWrite, music + "/liste.txt")});
  EXPECT_EQ(Steps(Undo(batch)),
            (std::vector<std::string>{"FileRemove m/liste.txt",
                                      "TagAppend m/y.mp3 size 5000",
                                      "TagRemove m/x.mp3 size 4000",
                                      "ContentReplace m/lost.txt to \"\" (not undoable)",
                                      "ContentReplace m/kept.txt to \"old\"",
                                      "TagWrite m/t.mp3 b->a"}));
}

// Tags written, then the files renamed twice, while another file took the
// first file's old name: undoing the tag batch reaches the renamed files.
TEST_F(UndoTest, LaterRenamesAreFollowed) {
  Files({{"x.mp3", Tag('b')}, {"a.mp3", Tag('q')}, {"C.mp3", ""}});
  JournalAction append = OnPath(ActionKind::TagAppend, music + "/c.mp3");
  append.sizeBefore = 10;
  const std::int64_t tags = Record({TagWrite(music + "/a.mp3", 'a', 'b'), append});
  Record({Rename(music, "a.mp3", "A.mp3"), Rename(music, "c.mp3", "C.mp3")});
  Record({Rename(music, "A.mp3", "x.mp3"), Rename(music, "q.mp3", "a.mp3"),
          Rename(music, "C.mp3", "c2.mp3", ActionState::Failed)});
  EXPECT_EQ(Steps(Undo(tags)), (std::vector<std::string>{"TagRemove m/C.mp3 size 10",
                                                         "TagWrite m/x.mp3 b->a"}));
}

// An undo is a batch of its own: the newest batch in effect is the undo,
// and taking it back applies the batch again under its own caption.
TEST_F(UndoTest, UndoOfAnUndoAppliesTheBatchAgain) {
  Files({{"a.mp3", ""}});
  const std::int64_t batch = Record({Rename(music, "a.mp3", "A.mp3")});
  EXPECT_EQ(Newest(), batch);
  const Plan undo = Undo(batch);
  const std::int64_t undoBatch = Record({Rename(music, "A.mp3", "a.mp3")}, JournalLetter(undo),
                                        "Rückgängig: Großbuchstaben abc->Abc", batch);
  ASSERT_FALSE(journal->MarkUndone(batch, undoBatch));
  EXPECT_EQ(Newest(), undoBatch);

  std::error_code ec;
  PlanUndo(*journal, batch, ec);
  EXPECT_EQ(ec, std::errc::invalid_argument) << "already undone";
  const Plan again = Undo(undoBatch);
  EXPECT_EQ(again.caption, U"Großbuchstaben abc->Abc");
  EXPECT_EQ(Steps(again), std::vector<std::string>{"Rename m/a.mp3 -> A.mp3"});

  const std::int64_t redo = Record({Rename(music, "a.mp3", "A.mp3")}, 'G',
                                   "Großbuchstaben abc->Abc", undoBatch);
  ASSERT_FALSE(journal->MarkUndone(undoBatch, redo));
  EXPECT_EQ(Newest(), redo);
  // The first batch is in effect again; its files are found through the
  // undo and the redo.
  EXPECT_EQ(Steps(Undo(batch)), std::vector<std::string>{"Rename m/A.mp3 -> a.mp3"});
}

// After a kill, Pending actions count only where the files show they
// happened, judged as the earlier undo steps leave the folder: the chain
// a -> b, c -> a was performed entirely.
TEST_F(UndoTest, PendingActionsCountWhereTheyHappened) {
  Files({{"P.mp3", ""}, {"b.mp3", ""}, {"a.mp3", ""}, {"d.mp3", ""}, {"D2.mp3", ""},
         {"e.mp3", Tag('n')}, {"f.mp3", Tag('o')}});
  const ActionState pending = ActionState::Pending;
  const std::int64_t batch =
      Record({Rename(music, "p.mp3", "P.mp3"), Rename(music, "a.mp3", "b.mp3", pending),
              Rename(music, "c.mp3", "a.mp3", pending),
              Rename(music, "d.mp3", "D.mp3", pending),
              Rename(music, "d2.mp3", "D2.mp3", pending),
              TagWrite(music + "/e.mp3", 'o', 'n', pending),
              TagWrite(music + "/f.mp3", 'o', 'n', pending)});
  EXPECT_EQ(Newest(), batch);
  EXPECT_EQ(Steps(Undo(batch)), (std::vector<std::string>{"TagWrite m/e.mp3 n->o",
                                                          "Rename m/D2.mp3 -> d2.mp3",
                                                          "Rename m/a.mp3 -> c.mp3",
                                                          "Rename m/b.mp3 -> a.mp3",
                                                          "Rename m/P.mp3 -> p.mp3"}));
}

// An untagged file gets its empty tag and then its tag write; "name from
// tag" appends and then renames. Killed with both steps Pending, the
// appended tag is judged as the undo steps before it leave the file: with
// the tag put back, at the name it will have again.
TEST_F(UndoTest, PendingAppendIsJudgedAsTheLaterUndoStepsLeaveTheFile) {
  const std::string emptyTag = Tag(' ');
  Files({{"u.mp3", "audio" + Tag('n')}, {"v.mp3", "audio" + emptyTag},
         {"W.mp3", "audio" + emptyTag}});
  const ActionState pending = ActionState::Pending;
  std::vector<JournalAction> actions;
  for (const char* name : {"u.mp3", "v.mp3"}) {
    JournalAction append = OnPath(ActionKind::TagAppend, music + "/" + name, pending);
    append.sizeBefore = 5;
    actions.push_back(append);
    actions.push_back(TagWrite(music + "/" + name, ' ', 'n', pending));
  }
  JournalAction append = OnPath(ActionKind::TagAppend, music + "/w.mp3", pending);
  append.sizeBefore = 5;
  actions.push_back(append);
  actions.push_back(Rename(music, "w.mp3", "W.mp3", pending));
  EXPECT_EQ(Steps(Undo(Record(actions, 'N', "Dateiname aus ID3Tag erstellen"))),
            (std::vector<std::string>{"Rename m/W.mp3 -> w.mp3", "TagRemove m/w.mp3 size 5",
                                      "TagRemove m/v.mp3 size 5", "TagWrite m/u.mp3 n-> ",
                                      "TagRemove m/u.mp3 size 5"}));
}

// A content replacement killed between writing its temporary file and
// putting it in place: the undo removes the temporary file, whether or not
// the file itself was replaced, and leaves alone one that is not a file.
TEST_F(UndoTest, TemporaryFilesOfPendingReplacementsAreLeftovers) {
  Files({{"a.m3u", "old"}, {"b.m3u", "new"}, {"c.m3u", "old"}});
  std::vector<JournalAction> actions;
  for (const char* name : {"a.m3u", "b.m3u", "c.m3u"}) {
    JournalAction replace =
        OnPath(ActionKind::ContentReplace, music + "/" + name, ActionState::Pending);
    replace.before = "old";
    replace.sizeBefore = 3;
    replace.sizeAfter = 3;
    replace.hashAfter = ContentHash("new");
    actions.push_back(replace);
  }
  const std::int64_t batch = Record(actions, 'Z', "Suchen und Ersetzen: Text");
  std::error_code ec;
  const std::vector<JournalAction> recorded = journal->ActionsOf(batch, ec);
  ASSERT_EQ(recorded.size(), 3u);
  const std::string first = music + "/" + JournaledTemporaryName(recorded[0].id);
  const std::string second = music + "/" + JournaledTemporaryName(recorded[1].id);
  WriteFile(first, "ne");
  WriteFile(second, "new");
  std::filesystem::create_directory(music + "/" + JournaledTemporaryName(recorded[2].id));

  const Plan plan = Undo(batch);
  EXPECT_EQ(Steps(plan), std::vector<std::string>{"ContentReplace m/b.m3u to \"old\""});
  EXPECT_EQ(plan.leftovers, (std::vector<std::string>{second, first}));
}

// An export killed on its way: a list still in its temporary file is a
// leftover and no list is removed; a new list already in place (its size
// and hash recorded) is removed; an old list already replaced comes back.
// Only the appended tags that happened are cut off.
TEST_F(UndoTest, AnExportCutOffIsTakenBackAsFarAsItGot) {
  Files({{"new.csv", "list"}, {"old.csv", "list"}, {"a.mp3", "aaaa" + Tag(' ')},
         {"b.mp3", "bbbb"}});
  const auto listAction = [&](ActionKind kind, const char* name, bool outcomeKnown) {
    JournalAction list = OnPath(kind, music + "/" + name, ActionState::Pending);
    if (kind == ActionKind::ContentReplace) {
      list.before = "old list";
      list.sizeBefore = 8;
    }
    if (outcomeKnown) {
      list.sizeAfter = 4;
      list.hashAfter = ContentHash("list");
    }
    return list;
  };
  JournalAction appendA = OnPath(ActionKind::TagAppend, music + "/a.mp3");
  appendA.sizeBefore = 4;
  JournalAction appendB = OnPath(ActionKind::TagAppend, music + "/b.mp3", ActionState::Pending);
  appendB.sizeBefore = 4;
  const std::int64_t killed = Record({listAction(ActionKind::ExportWrite, "cut.csv", false),
                                      listAction(ActionKind::ExportWrite, "new.csv", true),
                                      listAction(ActionKind::ContentReplace, "old.csv", true),
                                      appendA, appendB},
                                     'P', "Exportieren");
  std::error_code ec;
  const std::string temporary =
      music + "/" + JournaledTemporaryName(journal->ActionsOf(killed, ec)[0].id);
  WriteFile(temporary, "\nhalb");
  const Plan plan = Undo(killed);
  EXPECT_EQ(Steps(plan), (std::vector<std::string>{"TagRemove m/a.mp3 size 4",
                                                   "ContentReplace m/old.csv to \"old list\"",
                                                   "FileRemove m/new.csv"}));
  EXPECT_EQ(plan.leftovers, std::vector<std::string>{temporary});
  test::RecordingReporter reporter;
  ApplyPlan(plan, {.reporter = &reporter, .journal = journal.get()});
  EXPECT_TRUE(reporter.messages.empty());
  EXPECT_FALSE(test::Exists(music + "/new.csv"));
  EXPECT_FALSE(test::Exists(temporary));
  EXPECT_EQ(test::ReadFile(music + "/old.csv"), "old list");
  EXPECT_EQ(test::ReadFile(music + "/a.mp3"), "aaaa");
  EXPECT_EQ(test::ReadFile(music + "/b.mp3"), "bbbb");
}

// A letter-case change through a temporary name, killed between its two
// steps: the file is under the temporary name, and the undo names it back.
TEST_F(UndoTest, ARenameCutOffHalfWayIsPutBack) {
  const std::int64_t batch =
      Record({Rename(music, "a.mp3", "A.mp3", ActionState::Pending),
              Rename(music, "b.mp3", "B.mp3", ActionState::Pending)});
  std::error_code ec;
  const std::string temporary = JournaledTemporaryName(journal->ActionsOf(batch, ec)[0].id);
  Files({{temporary.c_str(), "a"}, {"b.mp3", "b"}});
  EXPECT_EQ(Steps(Undo(batch)),
            std::vector<std::string>{"Rename m/" + temporary + " -> a.mp3"});
}

TEST_F(UndoTest, NothingToUndo) {
  EXPECT_EQ(Newest(), 0);
  std::error_code ec;
  const Plan plan = PlanUndo(*journal, 42, ec);
  EXPECT_EQ(ec, std::errc::invalid_argument);
  EXPECT_TRUE(plan.steps.empty());
}

}  // namespace
}  // namespace sonavex
