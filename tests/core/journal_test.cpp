#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/apply/executor.h"
#include "core/journal/journal.h"
#include "support/first_layout_journal.h"
#include "support/test_support.h"

namespace sonavex {
namespace {

using test::TempDir;

constexpr std::int64_t kNow = 1'700'000'000;
constexpr std::int64_t kDay = 24 * 60 * 60;

std::string Tag(char fill) {
  std::string tag = "TAG" + std::string(125, fill);
  tag[50] = '\0';
  tag[127] = '\xFF';
  return tag;
}

JournalAction Rename(std::string directory, std::string oldName, std::string newName) {
  JournalAction action;
  action.kind = ActionKind::Rename;
  action.directory = std::move(directory);
  action.oldName = std::move(oldName);
  action.newName = std::move(newName);
  return action;
}

JournalAction OnPath(ActionKind kind, std::string path) {
  JournalAction action;
  action.kind = kind;
  action.path = std::move(path);
  return action;
}

// One action of each kind, with bytes that text handling would mangle.
std::vector<JournalAction> OneOfEachKind() {
  JournalAction tag = OnPath(ActionKind::TagWrite, "/m/caf\xE9.mp3");
  tag.before = Tag('a');
  tag.after = Tag('\xE9');
  JournalAction append = OnPath(ActionKind::TagAppend, "/m/x.mp3");
  append.sizeBefore = 4096;
  JournalAction content = OnPath(ActionKind::ContentReplace, "/m/list.txt");
  content.before = std::string("a\0b\xE9\r\n", 6);
  content.sizeBefore = 6;
  content.sizeAfter = 9;
  content.hashAfter = std::string("\x00\x01\xFE", 3);
  return {Rename("/m/d\xE9", "caf\xE9.mp3", "Caf\xC3\xA9.mp3"), tag, append,
          content, OnPath(ActionKind::ExportWrite, "/m/export\xE9.txt")};
}

void ExpectSameAction(const JournalAction& read, const JournalAction& written) {
  EXPECT_EQ(read.kind, written.kind);
  EXPECT_EQ(read.directory, written.directory);
  EXPECT_EQ(read.oldName, written.oldName);
  EXPECT_EQ(read.newName, written.newName);
  EXPECT_EQ(read.path, written.path);
  EXPECT_EQ(read.before, written.before);
  EXPECT_EQ(read.after, written.after);
  EXPECT_EQ(read.sizeBefore, written.sizeBefore);
  EXPECT_EQ(read.sizeAfter, written.sizeAfter);
  EXPECT_EQ(read.hashAfter, written.hashAfter);
}

BatchHeader Header(std::int64_t time, char operation = 'X', std::int64_t undoes = 0) {
  return {time, operation, "Suchen und Ersetzen", "search= - \nreplace= -- ",
          "/m/d\xE9", undoes};
}

std::vector<ActionState> StatesOf(Journal& journal, std::int64_t batch) {
  std::error_code ec;
  std::vector<ActionState> states;
  for (const JournalAction& action : journal.ActionsOf(batch, ec)) {
    states.push_back(action.state);
  }
  EXPECT_FALSE(ec) << ec.message();
  return states;
}

class JournalTest : public ::testing::Test {
 protected:
  std::unique_ptr<Journal> Open(std::int64_t now = kNow) {
    std::error_code ec;
    auto journal = Journal::Open(path, now, ec);
    EXPECT_FALSE(ec) << ec.message();
    return journal;
  }

  // A batch of `count` renames, all recorded and marked done.
  std::int64_t AddBatch(Journal& journal, std::int64_t time, int count = 1) {
    std::error_code ec;
    const std::int64_t batch = journal.BeginBatch(Header(time), ec);
    const std::vector<JournalAction> actions(count, Rename("/m", "a", "b"));
    const auto ids = journal.RecordPending(batch, actions, ec);
    EXPECT_FALSE(ec || journal.MarkDone(ids) || journal.EndBatch(batch));
    return batch;
  }

  std::vector<std::int64_t> BatchIds(Journal& journal) {
    std::error_code ec;
    std::vector<std::int64_t> ids;
    for (const BatchSummary& batch : journal.ListBatches(ec)) ids.push_back(batch.id);
    return ids;
  }

  TempDir dir;
  std::string path = dir / "state/mp3sonavex/journal.sqlite";
};

TEST_F(JournalTest, EveryActionKindComesBackByteForByte) {
  const std::vector<JournalAction> written = OneOfEachKind();
  std::int64_t batch = 0;
  {
    auto journal = Open();
    std::error_code ec;
    batch = journal->BeginBatch(Header(kNow - 5), ec);
    const auto ids = journal->RecordPending(batch, written, ec);
    ASSERT_FALSE(ec) << ec.message();
    ASSERT_EQ(ids.size(), 5u);
    ASSERT_FALSE(journal->MarkDone(ids));
    ASSERT_FALSE(journal->EndBatch(batch));
  }
  auto journal = Open();
  std::error_code ec;
  const auto read = journal->ActionsOf(batch, ec);
  ASSERT_EQ(read.size(), written.size());
  for (std::size_t i = 0; i < read.size(); ++i) {
    SCOPED_TRACE(i);
    ExpectSameAction(read[i], written[i]);
    EXPECT_EQ(read[i].state, ActionState::Done);
  }
  const auto batches = journal->ListBatches(ec);
  ASSERT_EQ(batches.size(), 1u);
  EXPECT_EQ(batches[0].id, batch);
  EXPECT_EQ(batches[0].header.time, kNow - 5);
  EXPECT_EQ(batches[0].header.operation, 'X');
  EXPECT_EQ(batches[0].header.caption, "Suchen und Ersetzen");
  EXPECT_EQ(batches[0].header.parameters, "search= - \nreplace= -- ");
  EXPECT_EQ(batches[0].header.directory, "/m/d\xE9");
  EXPECT_EQ(batches[0].doneActions, 5);
  EXPECT_TRUE(batches[0].ended);
  EXPECT_EQ(batches[0].undoneBy, 0);
}

// Renames in one folder share its path in the file; each still reads back
// its own, across calls and around actions of other kinds.
TEST_F(JournalTest, EachRenameKeepsItsDirectory) {
  auto journal = Open();
  std::error_code ec;
  const std::int64_t batch = journal->BeginBatch(Header(kNow), ec);
  const std::vector<JournalAction> first = {
      Rename("/a", "1", "x"), Rename("/a", "", "x"), Rename("", "3", "x"),
      OneOfEachKind()[1], Rename("", "4", "x"), Rename("/b", "5", "x")};
  journal->RecordPending(batch, first, ec);
  journal->RecordPending(batch, std::vector{Rename("/b", "6", "x")}, ec);
  ASSERT_FALSE(ec) << ec.message();
  std::vector<std::string> directories, oldNames;
  for (const JournalAction& action : journal->ActionsOf(batch, ec)) {
    directories.push_back(action.directory);
    oldNames.push_back(action.oldName);
  }
  EXPECT_EQ(directories, (std::vector<std::string>{"/a", "/a", "", "", "", "/b", "/b"}));
  EXPECT_EQ(oldNames, (std::vector<std::string>{"1", "", "3", "", "4", "5", "6"}));
}

// A chunk long enough to go in several rows per statement, of mixed kinds
// and folders, comes back action for action under consecutive ids.
TEST_F(JournalTest, ALongChunkComesBackInOrder) {
  std::vector<JournalAction> written;
  for (int i = 0; i < 75; ++i) {
    written.push_back(i % 9 == 4 ? OneOfEachKind()[1 + i % 4]
                                 : Rename("/d" + std::to_string(i / 10), std::to_string(i),
                                          "n" + std::to_string(i)));
  }
  auto journal = Open();
  std::error_code ec;
  const std::int64_t batch = journal->BeginBatch(Header(kNow), ec);
  const auto ids = journal->RecordPending(batch, written, ec);
  ASSERT_FALSE(ec) << ec.message();
  ASSERT_EQ(ids.size(), written.size());
  for (std::size_t i = 1; i < ids.size(); ++i) EXPECT_EQ(ids[i], ids[i - 1] + 1);
  const auto read = journal->ActionsOf(batch, ec);
  ASSERT_EQ(read.size(), written.size());
  for (std::size_t i = 0; i < read.size(); ++i) {
    SCOPED_TRACE(i);
    ExpectSameAction(read[i], written[i]);
    EXPECT_EQ(read[i].id, ids[i]);
  }
}

TEST(CanBeUndone, OnlyContentTooLargeToKeepIsLost) {
  JournalAction kept = OneOfEachKind()[3];
  JournalAction tooLarge = kept;
  tooLarge.before.clear();
  tooLarge.sizeBefore = kMaxKeptContent + 1;
  EXPECT_TRUE(CanBeUndone(kept));
  EXPECT_FALSE(CanBeUndone(tooLarge));
  EXPECT_TRUE(CanBeUndone(OneOfEachKind()[0]));
}

// Marks in the order an executor gives them, with a refusal in between, a
// gap, and repeated marks that must not count twice.
TEST_F(JournalTest, StatesSurviveClosingAndReopening) {
  std::int64_t batch = 0;
  {
    auto journal = Open();
    std::error_code ec;
    batch = journal->BeginBatch(Header(kNow), ec);
    const std::vector<JournalAction> actions(6, Rename("/m", "a", "b"));
    const auto ids = journal->RecordPending(batch, actions, ec);
    ASSERT_FALSE(journal->MarkDone(std::vector{ids[0], ids[1]}));
    ASSERT_FALSE(journal->MarkFailed(ids[2], "Zugriff verweigert"));
    ASSERT_FALSE(journal->MarkDone(std::vector{ids[3]}));
    ASSERT_FALSE(journal->MarkDone(std::vector{ids[5]}));
    ASSERT_FALSE(journal->MarkDone(std::vector{ids[0], ids[5]}));
    ASSERT_FALSE(journal->MarkFailed(ids[1], "zu spät"));
  }
  auto journal = Open();
  EXPECT_EQ(StatesOf(*journal, batch),
            (std::vector{ActionState::Done, ActionState::Done, ActionState::Failed,
                         ActionState::Done, ActionState::Pending, ActionState::Done}));
  std::error_code ec;
  const auto actions = journal->ActionsOf(batch, ec);
  EXPECT_EQ(actions[2].failure, "Zugriff verweigert");
  EXPECT_EQ(actions[1].failure, "");
  const auto batches = journal->ListBatches(ec);
  ASSERT_EQ(batches.size(), 1u);
  EXPECT_EQ(batches[0].doneActions, 4);
  EXPECT_FALSE(batches[0].ended);
}

// A stopped batch forgets the actions that never began, wherever they lie
// among those that ran; the rest keep their ids and states.
TEST_F(JournalTest, StoppedBatchForgetsOnlyWhatNeverBegan) {
  auto journal = Open();
  std::error_code ec;
  const std::int64_t batch = journal->BeginBatch(Header(kNow), ec);
  std::vector<JournalAction> actions;
  for (const char* name : {"0", "1", "2", "3", "4", "5"}) actions.push_back(Rename("/m", name, "x"));
  const auto ids = journal->RecordPending(batch, actions, ec);
  ASSERT_FALSE(journal->MarkDone(std::vector{ids[0], ids[1], ids[3]}));
  ASSERT_FALSE(journal->MarkFailed(ids[4], "Zugriff verweigert"));
  ASSERT_FALSE(journal->DropPending(ids[2], ids[5]));
  ASSERT_FALSE(journal->EndBatch(batch));
  journal = Open();
  std::vector<std::string> kept;
  for (const JournalAction& action : journal->ActionsOf(batch, ec)) {
    kept.push_back(action.oldName + (action.state == ActionState::Done ? " done" : " failed"));
    EXPECT_EQ(action.id, ids[std::stoul(action.oldName)]);
  }
  EXPECT_EQ(kept, (std::vector<std::string>{"0 done", "1 done", "3 done", "4 failed"}));
  EXPECT_EQ(journal->FilesOf(batch, ec), 3);
  EXPECT_EQ(journal->ListBatches(ec)[0].doneActions, 3);
}

// The child journals 300 renames, marks the first 100 and the 151st done
// and dies before the batch ends, without closing anything.
TEST_F(JournalTest, BatchKilledPartWayKeepsExactlyItsStates) {
  Open();  // the file exists before the child starts
  const pid_t child = fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    std::error_code ec;
    auto journal = Journal::Open(path, kNow, ec);
    if (!journal) _exit(1);
    const std::int64_t batch = journal->BeginBatch(Header(kNow), ec);
    const std::vector<JournalAction> actions(300, Rename("/m", "a\xE9", "b"));
    auto ids = journal->RecordPending(batch, actions, ec);
    if (ec || ids.size() != 300) _exit(1);
    std::vector<std::int64_t> done(ids.begin(), ids.begin() + 100);
    done.push_back(ids[150]);
    if (journal->MarkDone(done)) _exit(1);
    raise(SIGKILL);
    _exit(1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;

  auto journal = Open();
  std::error_code ec;
  const auto batches = journal->ListBatches(ec);
  ASSERT_EQ(batches.size(), 1u);
  EXPECT_FALSE(batches[0].ended);
  EXPECT_EQ(batches[0].doneActions, 101);
  const auto states = StatesOf(*journal, batches[0].id);
  ASSERT_EQ(states.size(), 300u);
  for (std::size_t i = 0; i < states.size(); ++i) {
    const bool done = i < 100 || i == 150;
    EXPECT_EQ(states[i], done ? ActionState::Done : ActionState::Pending) << i;
  }
}

TEST_F(JournalTest, PruneDropsOldBatchesWithTheirActions) {
  std::int64_t old = 0, recent = 0;
  {
    auto journal = Open(kNow - 100 * kDay);
    old = AddBatch(*journal, kNow - 91 * kDay, 3);
    recent = AddBatch(*journal, kNow - 89 * kDay, 2);
  }
  auto journal = Open(kNow);
  EXPECT_EQ(BatchIds(*journal), std::vector<std::int64_t>{recent});
  std::error_code ec;
  EXPECT_TRUE(journal->ActionsOf(old, ec).empty());
  EXPECT_EQ(journal->ActionsOf(recent, ec).size(), 2u);

  // Ids are never handed out twice, even when every batch was pruned.
  ASSERT_FALSE(journal->Prune(kNow + 100 * kDay));
  EXPECT_TRUE(BatchIds(*journal).empty());
  EXPECT_GT(AddBatch(*journal, kNow), recent);
}

TEST_F(JournalTest, PruneKeepsTheNewestThousandBatches) {
  {
    auto journal = Open();
    for (int i = 0; i < kKeptBatches + 3; ++i) AddBatch(*journal, kNow);
  }
  auto journal = Open();
  const std::vector<std::int64_t> ids = BatchIds(*journal);
  ASSERT_EQ(ids.size(), 1000u);
  EXPECT_EQ(ids.front(), 1003);
  EXPECT_EQ(ids.back(), 4);
  std::error_code ec;
  EXPECT_TRUE(journal->ActionsOf(3, ec).empty());
  EXPECT_EQ(journal->ActionsOf(4, ec).size(), 1u);
}

TEST_F(JournalTest, UndoMarksFollowTheChainOfUndos) {
  auto journal = Open();
  const std::int64_t applied = AddBatch(*journal, kNow);
  std::error_code ec;
  const std::int64_t undo = journal->BeginBatch(Header(kNow, 'X', applied), ec);
  journal->RecordPending(undo, std::vector{Rename("/m", "b", "a")}, ec);
  ASSERT_FALSE(journal->MarkUndone(applied, undo));
  const std::int64_t redo = journal->BeginBatch(Header(kNow, 'X', undo), ec);
  journal->RecordPending(redo, std::vector{Rename("/m", "a", "b")}, ec);
  ASSERT_FALSE(journal->MarkUndone(undo, redo));

  const auto batches = journal->ListBatches(ec);
  ASSERT_EQ(batches.size(), 3u);
  struct Row {
    std::int64_t id, undoes, undoneBy;
  };
  const Row expected[] = {{redo, undo, 0}, {undo, applied, redo}, {applied, 0, 0}};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(batches[i].id, expected[i].id);
    EXPECT_EQ(batches[i].header.undoes, expected[i].undoes) << i;
    EXPECT_EQ(batches[i].undoneBy, expected[i].undoneBy) << i;
  }
  EXPECT_EQ(journal->MarkUndone(999, redo), std::errc::invalid_argument);

  // Taking the redo back puts the undo in effect again, and with it the
  // batch is taken back again.
  const std::int64_t again = journal->BeginBatch(Header(kNow, 'X', redo), ec);
  journal->RecordPending(again, std::vector{Rename("/m", "b", "a")}, ec);
  ASSERT_FALSE(journal->MarkUndone(redo, again));
  const Row chain[] = {{again, redo, 0}, {redo, undo, again}, {undo, applied, 0},
                       {applied, 0, undo}};
  const auto marked = journal->ListBatches(ec);
  ASSERT_EQ(marked.size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(marked[i].id, chain[i].id);
    EXPECT_EQ(marked[i].undoneBy, chain[i].undoneBy) << i;
  }
}

// The tags given on reading over several clicks become one batch, as long
// as nothing came between.
TEST_F(JournalTest, JoinMovesTheActionsOfTheNewestBatchBehindThePrevious) {
  auto journal = Open();
  const auto tagBatch = [&](const char* path) {
    std::error_code ec;
    const std::int64_t batch = journal->BeginBatch(Header(kNow, 'J'), ec);
    const auto ids =
        journal->RecordPending(batch, std::vector{OnPath(ActionKind::TagAppend, path)}, ec);
    EXPECT_FALSE(journal->MarkDone(ids) || journal->EndBatch(batch));
    return batch;
  };
  const std::int64_t first = tagBatch("/m/a.mp3");
  const std::int64_t second = tagBatch("/m/b.mp3");
  ASSERT_FALSE(journal->JoinBatch(first, second));
  EXPECT_EQ(BatchIds(*journal), std::vector<std::int64_t>{first});
  std::error_code ec;
  const std::vector<JournalAction> actions = journal->ActionsOf(first, ec);
  ASSERT_EQ(actions.size(), 2u);
  EXPECT_EQ(actions[1].path, "/m/b.mp3");
  EXPECT_EQ(actions[1].state, ActionState::Done);
  EXPECT_EQ(journal->ListBatches(ec)[0].doneActions, 2);
  EXPECT_EQ(journal->FilesOf(first, ec), 2);

  // Only the newest batch joins, only one of the same operation.
  const std::int64_t rename = AddBatch(*journal, kNow);
  const std::int64_t third = tagBatch("/m/c.mp3");
  EXPECT_EQ(journal->JoinBatch(first, third), std::errc::invalid_argument);
  EXPECT_EQ(journal->JoinBatch(rename, third), std::errc::invalid_argument);
  EXPECT_EQ(journal->JoinBatch(first, rename), std::errc::invalid_argument);
  EXPECT_EQ(BatchIds(*journal), (std::vector<std::int64_t>{third, rename, first}));
}

// Nothing to take back: no action recorded, or none of them performed.
TEST_F(JournalTest, BatchWithoutDoneActionsIsNotKept) {
  auto journal = Open();
  const std::int64_t kept = AddBatch(*journal, kNow);
  std::error_code ec;
  const std::int64_t empty = journal->BeginBatch(Header(kNow), ec);
  const std::int64_t refused = journal->BeginBatch(Header(kNow), ec);
  const auto ids = journal->RecordPending(refused, std::vector{Rename("/m", "a", "b")}, ec);
  ASSERT_FALSE(journal->MarkFailed(ids[0], "Zugriff verweigert"));
  ASSERT_FALSE(journal->EndBatch(empty));
  ASSERT_FALSE(journal->EndBatch(refused));
  EXPECT_EQ(BatchIds(*journal), std::vector<std::int64_t>{kept});
  EXPECT_TRUE(journal->ActionsOf(refused, ec).empty());
}

TEST_F(JournalTest, MalformedActionsAndUnknownBatchesAreRefused) {
  auto journal = Open();
  std::error_code ec;
  const std::int64_t batch = journal->BeginBatch(Header(kNow), ec);
  JournalAction shortTag = OneOfEachKind()[1];
  shortTag.after.resize(127);
  JournalAction hugeContent = OneOfEachKind()[3];
  hugeContent.before.resize(kMaxKeptContent + 1);
  for (const JournalAction& bad : {shortTag, hugeContent}) {
    const auto ids = journal->RecordPending(batch, std::vector{OneOfEachKind()[0], bad}, ec);
    EXPECT_EQ(ec, std::errc::invalid_argument);
    EXPECT_TRUE(ids.empty());
  }
  EXPECT_TRUE(journal->ActionsOf(batch, ec).empty());
  journal->RecordPending(batch + 1, std::vector{OneOfEachKind()[0]}, ec);
  EXPECT_EQ(ec, std::errc::invalid_argument);
}

std::int64_t PragmaOf(const std::string& path, const char* pragma, std::string* text = nullptr) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* statement = nullptr;
  sqlite3_prepare_v2(db, (std::string("PRAGMA ") + pragma).c_str(), -1, &statement, nullptr);
  std::int64_t value = -1;
  if (sqlite3_step(statement) == SQLITE_ROW) {
    value = sqlite3_column_int64(statement, 0);
    if (text) *text = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return value;
}

TEST_F(JournalTest, NewFileHasSchemaVersionAndWal) {
  Open();
  std::string mode;
  PragmaOf(path, "journal_mode", &mode);
  EXPECT_EQ(mode, "wal");
  EXPECT_EQ(PragmaOf(path, "user_version"), kJournalSchemaVersion);
  struct stat st{};
  ASSERT_EQ(stat((dir / "state/mp3sonavex").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
}

// One line per action: its number in the batch, state, kind and the fields
// of its kind (a tag by its fill byte, a hash by what it hashes).
std::string Describe(const JournalAction& action) {
  static const char* const kStates[] = {"Pending", "Done", "Failed"};
  static const char* const kKinds[] = {"",          "Rename",      "TagWrite",   "TagAppend",
                                       "ContentReplace", "ExportWrite", "TagRemove",
                                       "FileRemove", "Id3v2Write"};
  std::string line = "#" + std::to_string(action.id & 0xFFFFFFFF) + " " +
                     kStates[static_cast<int>(action.state)] + " " +
                     kKinds[static_cast<int>(action.kind)];
  if (action.kind == ActionKind::Rename) {
    return line + " " + action.directory + ": " + action.oldName + " -> " + action.newName +
           (action.failure.empty() ? "" : " (" + action.failure + ")");
  }
  line += " " + action.path;
  const auto bytes = [](const std::string& b) {
    return b.size() == 128 && b.starts_with("TAG") ? std::string(1, b[3]) : "'" + b + "'";
  };
  if (!action.before.empty() || !action.after.empty()) {
    line += " " + bytes(action.before) + "->" + bytes(action.after);
  }
  line += " " + std::to_string(action.sizeBefore) + "->" + std::to_string(action.sizeAfter);
  for (const char* content : {"new\r\n", "list"}) {
    if (action.hashAfter == ContentHash(content)) line += " hash of " + std::string(content);
  }
  return line + (action.failure.empty() ? "" : " (" + action.failure + ")");
}

// A journal of the first released layout is brought up to date once and
// reads back as that program wrote it: every state, the folders renames
// share, an outcome recorded late, dropped and joined actions. Afterwards
// it takes marks and new batches like any other.
TEST(JournalOpen, FirstLayoutReadsBackAsItWasWritten) {
  using namespace std::string_literals;
  constexpr std::int64_t kWritten = 4'000'000'010;
  struct Batch {
    std::int64_t id;
    int done;
    bool ended;
    int files;
    std::vector<std::string> actions;
  };
  const Batch expected[] = {
      {7, 2, false, 4,
       {"#1 Done Rename /r/m/kill: k0 -> K0", "#2 Pending Rename /r/m/kill: k1 -> K1",
        "#3 Done Rename /r/m/kill: k2 -> K2", "#4 Pending Rename /r/m/kill: k3 -> K3"}},
      {5, 2, true, 2,
       {"#1 Done TagAppend /r/m/w.mp3 0->0", "#2 Done TagAppend /r/m/x.mp3 0->0"}},
      {4, 2, true, 2, {"#1 Done Rename /r/m/stop: n0 -> N0", "#2 Done Rename /r/m/stop: n1 -> N1"}},
      {3, 2, true, 2,
       {"#1 Done ContentReplace /r/m/list.m3u 'old\r\n'->'' 5->5 hash of new\r\n",
        "#2 Done ExportWrite /r/m/export.txt 0->4 hash of list"}},
      {2, 2, true, 2,
       {"#1 Done TagWrite /r/m/t.mp3 a->b 0->0", "#2 Done TagAppend /r/m/u.mp3 4->0",
        "#3 Failed Id3v2Write /r/m/v.mp3 '\0\1x'->'yz' 21->2048 (Die Datei ist "
        "schreibgesch\xC3\xBCtzt)"s}},
      {1, 3, true, 3,
       {"#1 Done Rename /r/m: a - b.mp3 -> a -- b.mp3",
        "#2 Done Rename /r/m: c - d.mp3 -> c -- d.mp3",
        "#3 Failed Rename /r/m: g - h.mp3 -> g -- h.mp3 (Zugriff verweigert)",
        "#4 Done Rename /r/m/s\xC3\xBC" "b: e - f.mp3 -> e -- f.mp3"}},
  };
  TempDir dir;
  const std::string path = dir / "j.sqlite";
  ASSERT_TRUE(test::WriteFirstLayoutJournal(path, "/r"));
  for (const char* opening : {"first", "second"}) {
    SCOPED_TRACE(opening);
    std::error_code ec;
    auto journal = Journal::Open(path, kWritten, ec);
    ASSERT_TRUE(journal) << ec.message();
    const std::vector<BatchSummary> batches = journal->ListBatches(ec);
    ASSERT_EQ(batches.size(), std::size(expected));
    for (std::size_t i = 0; i < batches.size(); ++i) {
      SCOPED_TRACE(expected[i].id);
      EXPECT_EQ(batches[i].id, expected[i].id);
      EXPECT_EQ(batches[i].doneActions, expected[i].done);
      EXPECT_EQ(batches[i].ended, expected[i].ended);
      EXPECT_EQ(journal->FilesOf(batches[i].id, ec), expected[i].files);
      std::vector<std::string> actions;
      for (const JournalAction& action : journal->ActionsOf(batches[i].id, ec)) {
        actions.push_back(Describe(action));
      }
      EXPECT_EQ(actions, expected[i].actions);
    }
    EXPECT_FALSE(ec) << ec.message();
  }
  EXPECT_EQ(PragmaOf(path, "user_version"), kJournalSchemaVersion);

  std::error_code ec;
  auto journal = Journal::Open(path, kWritten, ec);
  ASSERT_TRUE(journal) << ec.message();
  ASSERT_FALSE(journal->MarkDone(std::vector<std::int64_t>{(std::int64_t{7} << 32) | 2}));
  EXPECT_EQ(StatesOf(*journal, 7), (std::vector{ActionState::Done, ActionState::Done,
                                                ActionState::Done, ActionState::Pending}));
  EXPECT_EQ(journal->BeginBatch(Header(kWritten), ec), 8);
}

void Execute(const std::string& path, const char* sql) {
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
  sqlite3_close(db);
}

// A stored chunk that does not hold what its row says is an error for
// whoever reads it, never a crash or made-up actions.
TEST_F(JournalTest, ChunkThatDoesNotDecodeIsAnError) {
  const struct {
    const char* name;
    const char* damage;
  } rows[] = {
      {"cut short", "UPDATE chunks SET actions = substr(actions, 1, length(actions) - 1)"},
      {"more actions counted than held", "UPDATE chunks SET count = count + 1"},
      {"fewer counted than held", "UPDATE chunks SET count = count - 1"},
      {"an unknown kind", "UPDATE chunks SET actions = X'09' || substr(actions, 2)"},
      {"a length past the end", "UPDATE chunks SET actions = substr(actions, 1, 1) || X'FFFFFFFF0F'"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    std::filesystem::remove_all(dir / "state");
    std::int64_t batch = 0;
    {
      auto journal = Open();
      std::error_code ec;
      batch = journal->BeginBatch(Header(kNow), ec);
      journal->RecordPending(batch, OneOfEachKind(), ec);
      ASSERT_FALSE(ec) << ec.message();
    }
    Execute(path, row.damage);
    auto journal = Open();
    std::error_code ec;
    EXPECT_TRUE(journal->ActionsOf(batch, ec).empty());
    EXPECT_TRUE(ec);
    std::error_code filesEc;
    EXPECT_EQ(journal->FilesOf(batch, filesEc), 0);
    EXPECT_TRUE(filesEc);
  }
}

TEST(DefaultJournalPath, FollowsXdgStateHome) {
  struct Row {
    const char* xdgStateHome;  // nullptr: unset
    const char* expected;
  };
  const Row rows[] = {
      {"/var/state", "/var/state/mp3sonavex/journal.sqlite"},
      {nullptr, "/home/ute/.local/state/mp3sonavex/journal.sqlite"},
      {"", "/home/ute/.local/state/mp3sonavex/journal.sqlite"},
      {"relative/state", "/home/ute/.local/state/mp3sonavex/journal.sqlite"},
  };
  const char* home = std::getenv("HOME");
  const std::string savedHome = home ? home : "";
  const char* xdg = std::getenv("XDG_STATE_HOME");
  const std::optional<std::string> savedXdg = xdg ? std::optional<std::string>(xdg) : std::nullopt;
  setenv("HOME", "/home/ute", 1);
  for (const Row& row : rows) {
    if (row.xdgStateHome) {
      setenv("XDG_STATE_HOME", row.xdgStateHome, 1);
    } else {
      unsetenv("XDG_STATE_HOME");
    }
    EXPECT_EQ(DefaultJournalPath(), row.expected) << (row.xdgStateHome ? row.xdgStateHome : "unset");
  }
  setenv("HOME", savedHome.c_str(), 1);
  if (savedXdg) {
    setenv("XDG_STATE_HOME", savedXdg->c_str(), 1);
  } else {
    unsetenv("XDG_STATE_HOME");
  }
}

// Whatever stands at the journal's place and is not a journal of ours is
// reported and left exactly as it was.
TEST(JournalOpen, ForeignOrBrokenFilesGiveAnErrorAndStayUntouched) {
  struct Row {
    const char* name;
    // Puts the obstacle into the directory, returns the journal's path.
    std::string (*make)(const std::string& dir);
  };
  const Row rows[] = {
      {"not a database",
       [](const std::string& dir) {
         test::WriteFile(dir + "/j.sqlite", std::string(5000, '\x17'));
         return dir + "/j.sqlite";
       }},
      {"another program's database",
       [](const std::string& dir) {
         Execute(dir + "/j.sqlite", "CREATE TABLE songs(name)");
         return dir + "/j.sqlite";
       }},
      {"a newer journal",
       [](const std::string& dir) {
         std::error_code ec;
         Journal::Open(dir + "/j.sqlite", kNow, ec);
         const std::string newer =
             "PRAGMA user_version = " + std::to_string(kJournalSchemaVersion + 1);
         Execute(dir + "/j.sqlite", newer.c_str());
         return dir + "/j.sqlite";
       }},
      {"a directory",
       [](const std::string& dir) {
         mkdir((dir + "/j.sqlite").c_str(), 0755);
         return dir + "/j.sqlite";
       }},
      {"below a regular file",
       [](const std::string& dir) {
         test::WriteFile(dir + "/state", "x");
         return dir + "/state/mp3sonavex/j.sqlite";
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir dir;
    const std::string path = row.make(dir.path());
    const std::string before = test::ReadFile(path);
    std::error_code ec;
    EXPECT_EQ(Journal::Open(path, kNow, ec), nullptr);
    EXPECT_TRUE(ec);
    EXPECT_FALSE(ec.message().empty());
    EXPECT_EQ(test::ReadFile(path), before);
  }
}

// A read-only state directory, with or without a journal in it.
TEST(JournalOpen, ReadOnlyDirectoryGivesAnError) {
  for (const bool existing : {false, true}) {
    SCOPED_TRACE(existing);
    TempDir dir;
    const std::string path = dir / "j.sqlite";
    std::error_code ec;
    if (existing) {
      ASSERT_TRUE(Journal::Open(path, kNow, ec));
    }
    chmod(dir.path().c_str(), 0555);
    const std::optional<bool> refused = test::CheckUnprivileged(dir.path(), [&] {
      std::error_code childEc;
      return Journal::Open(path, kNow, childEc) == nullptr && bool(childEc);
    });
    chmod(dir.path().c_str(), 0755);
    if (!refused) GTEST_SKIP() << "an unprivileged user cannot enter " << dir.path();
    EXPECT_TRUE(*refused);
  }
}

// A write that the disk cannot take (here: the file size limit) fails that
// call alone; what was committed before stays.
// Every program that opens the journal reads its whole write-ahead file
// first: the file is copied into the database long before it reaches the
// default thousand pages.
TEST_F(JournalTest, WriteAheadFileStaysSmall) {
  auto journal = Open();
  JournalAction content = OnPath(ActionKind::ContentReplace, "/m/list.txt");
  content.before.assign(1 << 20, 'x');
  content.sizeBefore = 1 << 20;
  std::error_code ec;
  for (int i = 0; i < 24 && !ec; ++i) {
    const std::int64_t batch = journal->BeginBatch(Header(kNow), ec);
    const auto ids = journal->RecordPending(batch, std::vector{content}, ec);
    ec = ec ? ec : journal->MarkDone(ids);
    ec = ec ? ec : journal->EndBatch(batch);
  }
  ASSERT_FALSE(ec) << ec.message();
  journal.reset();
  EXPECT_LE(std::filesystem::file_size(path + "-wal"), std::uintmax_t{8} << 20);
}

TEST_F(JournalTest, WriteThatDoesNotFitFailsAndKeepsTheRest) {
  std::int64_t batch = 0;
  {
    auto journal = Open();
    batch = AddBatch(*journal, kNow);
  }
  const pid_t child = fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    std::error_code ec;
    auto journal = Journal::Open(path, kNow, ec);
    // Room for the write-ahead file of a fresh journal (a dozen 64 KiB
    // pages), not for the 4 MiB below.
    const rlimit limit{2 << 20, 2 << 20};
    if (!journal || setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(2);
    JournalAction big = OnPath(ActionKind::ContentReplace, "/m/big.txt");
    big.before.assign(4 << 20, 'x');
    big.sizeBefore = 4 << 20;
    const std::int64_t next = journal->BeginBatch(Header(kNow), ec);
    if (ec) _exit(3);
    const auto ids = journal->RecordPending(next, std::vector{big}, ec);
    _exit(ec && ids.empty() ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), 0);

  auto journal = Open();
  std::error_code ec;
  const auto batches = journal->ListBatches(ec);
  ASSERT_FALSE(batches.empty());
  EXPECT_EQ(batches.back().id, batch);
  EXPECT_EQ(batches.back().doneActions, 1);
  for (const BatchSummary& summary : batches) {
    EXPECT_EQ(journal->ActionsOf(summary.id, ec).size(), summary.id == batch ? 1u : 0u);
  }
}

}  // namespace
}  // namespace sonavex
