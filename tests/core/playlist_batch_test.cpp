#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "core/apply/executor.h"
#include "core/apply/undo.h"
#include "core/batch/planner.h"
#include "core/batch/playlist_steps.h"
#include "core/journal/journal.h"
#include "core/session/session.h"
#include "support/recording_reporter.h"
#include "support/test_support.h"

namespace sonavex {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

constexpr std::int64_t kNow = 1'700'000'000;

// The temporary files left anywhere below `root`.
std::vector<std::string> Leftovers(const std::string& root) {
  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (entry.path().filename().string().starts_with("~")) left.push_back(entry.path());
  }
  return left;
}

// A tree of music and playlists of every form: inside the tree (walked by
// the batch) and in a folder beside it (listed in the options).
class PlaylistBatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"a - b.mp3", "Über - x.mp3", "keep.mp3"}) {
      WriteFile(tree + "/A/" + name, "");
    }
    const std::string u = "\xC3\x9C";  // "Ü" in UTF-8
    playlists = {
        {tree + "/in tree.m3u8", "#EXTM3U\n#EXTINF:1,a - b\nA/a - b.mp3\nA/keep.mp3\n"},
        {lists + "/sub/win.m3u",
         "#EXTINF:1,\xDC" "ber - x\r\n..\\..\\tree\\A\\\xDC" "ber - x.mp3\r\n"
         "..\\..\\tree\\A\\a - b.mp3\r\n..\\..\\tree\\A\\gone - x.mp3\r\n"},
        {lists + "/abs.m3u", "#EXTM3U\n" + tree + "/A/a - b.mp3\n" + tree + "/A/keep.mp3\n"},
        {lists + "/url.m3u8", "file://" + tree + "/A/a%20-%20b.mp3\r\nfile://" + tree + "/A/%C3%9Cber%20-%20x.mp3\r\n"},
        {lists + "/list.pls", "[playlist]\nFile1=../tree/A/" + u + "ber - x.mp3\nTitle1=" + u +
                                  "ber - x\nFile2=http://host/a - b.mp3\nNumberOfEntries=2\n"},
        {lists + "/other.m3u", "../tree/A/keep.mp3\n"},
    };
    for (const auto& [path, content] : playlists) WriteFile(path, content);
    context.recursive = true;
    context.followPlaylists = true;
    context.playlistFolders = {lists};
  }

  Plan PlanRenames() {
    return PlanSelection(Operation::X, SearchReplaceParams{U" - ", U" -- "}, tree, {}, context);
  }

  TempDir dir;
  std::string tree = dir.path() + "/tree";
  std::string lists = dir.path() + "/lists";
  std::vector<std::pair<std::string, std::string>> playlists;
  BatchContext context;
  test::RecordingReporter reporter;
};

TEST_F(PlaylistBatchTest, PreviewListsOnePlaylistStepPerPlaylistToRewrite) {
  const Plan plan = PlanRenames();
  std::vector<std::pair<std::string, int>> steps;
  for (const PlanStep& step : plan.steps) {
    if (Kind(step) == StepKind::Rename) continue;
    ASSERT_EQ(Kind(step), StepKind::ContentReplace);
    const steps::ContentReplace& replace = As<steps::ContentReplace>(step);
    EXPECT_TRUE(replace.playlist);
    steps.emplace_back(step.directory + "/" + step.name, replace.changedLines);
  }
  const std::vector<std::pair<std::string, int>> expected = {
      {tree + "/in tree.m3u8", 1}, {lists + "/abs.m3u", 1}, {lists + "/list.pls", 1},
      {lists + "/url.m3u8", 2},    {lists + "/sub/win.m3u", 2}};
  EXPECT_EQ(steps, expected);
  EXPECT_EQ(ContentReplacedText(3, true), "Playlist angepasst (3 Zeilen)");
}

TEST_F(PlaylistBatchTest, RunRewritesEachFormAndUndoRestoresEveryByte) {
  std::error_code ec;
  auto journal = Journal::Open(dir.path() + "/journal.sqlite", kNow, ec);
  ASSERT_FALSE(ec) << ec.message();
  const ApplyResult result = ApplyPlan(PlanRenames(), {.reporter = &reporter, .journal = journal.get()});
  EXPECT_EQ(result.failed, 0);
  const std::string u = "\xC3\x9C";
  EXPECT_EQ(ReadFile(tree + "/in tree.m3u8"),
            "#EXTM3U\n#EXTINF:1,a - b\nA/a -- b.mp3\nA/keep.mp3\n");
  EXPECT_EQ(ReadFile(lists + "/sub/win.m3u"),
            "#EXTINF:1,\xDC" "ber - x\r\n..\\..\\tree\\A\\\xDC" "ber -- x.mp3\r\n"
            "..\\..\\tree\\A\\a -- b.mp3\r\n..\\..\\tree\\A\\gone - x.mp3\r\n");
  EXPECT_EQ(ReadFile(lists + "/abs.m3u"),
            "#EXTM3U\n" + tree + "/A/a -- b.mp3\n" + tree + "/A/keep.mp3\n");
  EXPECT_EQ(ReadFile(lists + "/url.m3u8"), "file://" + tree + "/A/a%20--%20b.mp3\r\nfile://" +
                                               tree + "/A/%C3%9Cber%20--%20x.mp3\r\n");
  EXPECT_EQ(ReadFile(lists + "/list.pls"),
            "[playlist]\nFile1=../tree/A/" + u + "ber -- x.mp3\nTitle1=" + u +
                "ber - x\nFile2=http://host/a - b.mp3\nNumberOfEntries=2\n");

  const Plan undo = PlanUndo(*journal, result.batch, ec);
  ASSERT_FALSE(ec) << ec.message();
  EXPECT_EQ(ApplyPlan(undo, {.reporter = &reporter, .journal = journal.get()}).failed, 0);
  for (const auto& [path, content] : playlists) EXPECT_EQ(ReadFile(path), content) << path;
  EXPECT_TRUE(test::Exists(tree + "/A/a - b.mp3"));
}

TEST_F(PlaylistBatchTest, RunWithoutPreviewGivesThePlannedResult) {
  const Plan plan = PlanRenames();
  RunSelection(Operation::X, SearchReplaceParams{U" - ", U" -- "}, tree, {}, context,
               {.reporter = &reporter});
  for (const PlanStep& step : plan.steps) {
    if (Kind(step) == StepKind::ContentReplace) {
      EXPECT_EQ(ReadFile(step.directory + "/" + step.name), As<steps::ContentReplace>(step).after)
          << step.name;
    }
  }
}

// On a volume that tells letter case apart, a line in another case names
// another file (here one that is there, and one that is not): it stays.
TEST_F(PlaylistBatchTest, ALineInAnotherLetterCaseStaysWhereCaseCounts) {
  WriteFile(tree + "/A/A - B.mp3", "");
  const std::string list = "A/A - B.mp3\nA/ÜBER - X.mp3\nA/a - b.mp3\n";
  WriteFile(tree + "/case.m3u", list);
  ApplyPlan(PlanRenames(), {.reporter = &reporter});
  EXPECT_EQ(ReadFile(tree + "/case.m3u"), "A/A -- B.mp3\nA/ÜBER - X.mp3\nA/a -- b.mp3\n");
}

// Undo takes the playlists along as a rename batch does: a batch made
// with the switch off gets the playlists that name its new names put back,
// and a playlist the batch rewrote is restored as journaled, once.
TEST_F(PlaylistBatchTest, UndoOfARenameBatchFollowsThePlaylistsToo) {
  for (const bool followed : {false, true}) {
    SCOPED_TRACE(followed ? "batch with playlists" : "batch without playlists");
    TempDir state;
    SessionPorts ports;
    ports.reporter = &reporter;
    ports.now = [] { return kNow; };
    ports.batchContext = [this] { return context; };
    Session session(state / "journal.sqlite", ports);
    ASSERT_FALSE(session.OpenJournal());
    context.followPlaylists = followed;
    const ApplyResult result = session.Apply(PlanRenames());
    context.followPlaylists = true;
    const std::string late = lists + "/late.m3u";
    WriteFile(late, "../tree/A/a -- b.mp3\n../tree/A/keep.mp3\n");

    std::error_code ec;
    const Plan undo = session.PlanUndoOf(result.batch, ec);
    ASSERT_FALSE(ec) << ec.message();
    EXPECT_EQ(session.Apply(undo).failed, 0);
    EXPECT_EQ(ReadFile(late), "../tree/A/a - b.mp3\n../tree/A/keep.mp3\n");
    for (const auto& [path, content] : playlists) EXPECT_EQ(ReadFile(path), content) << path;
    EXPECT_TRUE(reporter.messages.empty());
    std::filesystem::remove(late);
  }
}

// Waits until the new content `after` of a playlist in `folder` is written
// under a temporary name, ready to be put in place.
void AwaitStaged(const std::string& folder, const std::string& after) {
  for (int i = 0; i < 5000; ++i) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      if (entry.path().filename().string().starts_with("~") && ReadFile(entry.path()) == after) {
        return;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ADD_FAILURE() << "no temporary file in " << folder << " holds the new content";
}

// Edited before the batch starts, or while its renames run, once its new
// content is written and waits for its renames.
TEST_F(PlaylistBatchTest, APlaylistChangedSincePlanningIsSkipped) {
  for (const bool whileRunning : {false, true}) {
    SCOPED_TRACE(whileRunning ? "edited while the renames run" : "edited before the batch");
    for (const auto& [path, content] : playlists) WriteFile(path, content);
    std::filesystem::remove_all(tree + "/A");
    for (const char* name : {"a - b.mp3", "Über - x.mp3", "keep.mp3"}) {
      WriteFile(tree + "/A/" + name, "");
    }
    reporter.messages.clear();
    const Plan plan = PlanRenames();
    // One step at a time, as on a local disk, whatever the environment
    // asks for: only then are playlists written ahead of their turn.
    ExecutorContext executor{.reporter = &reporter, .inFlight = 1};
    if (whileRunning) {
      const auto abs = std::find_if(plan.steps.begin(), plan.steps.end(),
                                    [](const PlanStep& step) { return step.name == "abs.m3u"; });
      ASSERT_NE(abs, plan.steps.end());
      executor.progress = [&, abs](int done, int) {
        if (done != 1) return;
        AwaitStaged(lists, As<steps::ContentReplace>(*abs).after);
        WriteFile(lists + "/abs.m3u", "edited\n");
      };
    } else {
      WriteFile(lists + "/abs.m3u", "edited\n");
    }
    const ApplyResult result = ApplyPlan(plan, executor);
    EXPECT_EQ(result.failed, 1);
    EXPECT_EQ(ReadFile(lists + "/abs.m3u"), "edited\n");
    ASSERT_EQ(reporter.messages.size(), 1u);
    EXPECT_NE(reporter.messages[0].text.find(U"Datei wurde seither verändert"),
              std::u32string::npos);
    EXPECT_EQ(Leftovers(dir.path()), std::vector<std::string>());
  }
}

TEST_F(PlaylistBatchTest, APlaylistIsLeftAloneWhenARenameItNamesFailed) {
  const Plan plan = PlanRenames();
  // Another program takes the new name first: the rename fails at run time.
  WriteFile(tree + "/A/a -- b.mp3", "other");
  ApplyPlan(plan, {.reporter = &reporter});
  EXPECT_EQ(ReadFile(lists + "/abs.m3u"), playlists[2].second);
  EXPECT_EQ(ReadFile(lists + "/list.pls").find(" - x.mp3"), std::string::npos);  // ran
  EXPECT_EQ(Leftovers(dir.path()), std::vector<std::string>());
}

// A batch stopped after its first rename: each playlist is old, or new with
// every file it names renamed; the journal holds exactly what was done, and
// undo puts back every name and byte.
TEST_F(PlaylistBatchTest, AStopPartWayLeavesEachPlaylistOldOrWhole) {
  std::error_code ec;
  auto journal = Journal::Open(dir.path() + "/journal.sqlite", kNow, ec);
  ASSERT_FALSE(ec) << ec.message();
  const Plan plan = PlanRenames();
  int settled = 0;
  ExecutorContext executor{.reporter = &reporter, .journal = journal.get()};
  executor.progress = [&](int done, int) { settled = done; };
  executor.stopRequested = [&] { return settled >= 1; };
  const ApplyResult result = ApplyPlan(plan, executor);
  EXPECT_TRUE(result.stopped);

  for (const PlanStep& step : plan.steps) {
    if (Kind(step) != StepKind::ContentReplace) continue;
    const steps::ContentReplace& change = As<steps::ContentReplace>(step);
    const std::string now = ReadFile(step.directory + "/" + step.name);
    SCOPED_TRACE(step.name);
    if (now == change.before) continue;
    EXPECT_EQ(now, change.after);
    for (const auto& [from, to] : change.renamedFiles) EXPECT_TRUE(test::Exists(to)) << to;
  }
  const std::vector<JournalAction> actions = journal->ActionsOf(result.batch, ec);
  EXPECT_EQ(actions.size(), static_cast<std::size_t>(result.performed));
  for (const JournalAction& action : actions) EXPECT_EQ(action.state, ActionState::Done);

  const Plan undo = PlanUndo(*journal, result.batch, ec);
  ASSERT_FALSE(ec) << ec.message();
  EXPECT_EQ(ApplyPlan(undo, {.reporter = &reporter, .journal = journal.get()}).failed, 0);
  for (const auto& [path, content] : playlists) EXPECT_EQ(ReadFile(path), content) << path;
  EXPECT_TRUE(test::Exists(tree + "/A/a - b.mp3"));
  EXPECT_TRUE(test::Exists(tree + "/A/Über - x.mp3"));
  EXPECT_EQ(Leftovers(dir.path()), std::vector<std::string>());
  EXPECT_TRUE(reporter.messages.empty());
}

TEST_F(PlaylistBatchTest, SwitchOffLeavesPlaylistsAlone) {
  context.followPlaylists = false;
  for (const PlanStep& step : PlanRenames().steps) EXPECT_EQ(Kind(step), StepKind::Rename);
}

TEST_F(PlaylistBatchTest, LinesFollowSwapsChainsAndRenamesBack) {
  const std::string a = tree + "/A";
  WriteFile(a + "/mix.m3u", "x.mp3\ny.mp3\np.mp3\ns.mp3\n");
  Plan plan;
  for (const auto& [from, to] : {std::pair{"x.mp3", "~t"}, {"y.mp3", "x.mp3"}, {"~t", "y.mp3"},
                                 {"p.mp3", "q.mp3"}, {"q.mp3", "r.mp3"},
                                 {"s.mp3", "s2.mp3"}, {"s2.mp3", "s.mp3"}}) {
    plan.steps.push_back({a, from, steps::Rename{to}});
  }
  context.playlistFolders.clear();
  AddPlaylistSteps({a}, context, plan);
  ASSERT_EQ(plan.steps.size(), 8u);
  EXPECT_EQ(As<steps::ContentReplace>(plan.steps.back()).after, "y.mp3\nx.mp3\nr.mp3\ns.mp3\n");
}

TEST_F(PlaylistBatchTest, RenameByHandFollowsToo) {
  const Plan plan = PlanRename(tree + "/A", "keep.mp3", "kept.mp3", context);
  ASSERT_EQ(plan.steps.size(), 3u);  // the rename, abs.m3u, other.m3u
  EXPECT_EQ(plan.steps[2].name, "other.m3u");
  EXPECT_EQ(As<steps::ContentReplace>(plan.steps[2]).after, "../tree/A/kept.mp3\n");
}

// The full paths made folder by folder are those made one by one, for the
// root, a folder with a trailing "/", one with "." and "..", a relative one
// and a name that is no plain name.
TEST(FolderPathsTest, GiveWhatFullPathOfGives) {
  FolderPaths paths;
  for (const auto& [directory, name] : {std::pair{"/", "a.mp3"}, {"/m/x", "a.mp3"},
                                       {"/m/x", "b.mp3"}, {"/m/x/", "a.mp3"},
                                       {"/m/./y/../x", "a.mp3"}, {"rel/dir", "a.mp3"},
                                       {"/m/x", ".."}, {"/", "b.mp3"}}) {
    EXPECT_EQ(paths.Of(directory, name), FullPathOf(directory, name)) << directory << " " << name;
  }
  EXPECT_EQ(paths.Folder("/"), "");
  EXPECT_EQ(paths.Folder("/m/x/"), "/m/x");
}

}  // namespace
}  // namespace sonavex
