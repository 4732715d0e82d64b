// Batches over a slow share, and a share that goes away in the middle of
// one: the batch ends, every failure is told, each file is in its old or
// its new state and the journal says which.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <thread>

#include "cli/cli_run.h"
#include "core/journal/journal.h"
#include "core/mp3/id3v1.h"
#include "support/fuse_mount.h"

namespace sonavex::test {
namespace {

using namespace std::chrono_literals;

constexpr int kFiles = 300;

std::string OldName(int i) {
  char name[32];
  std::snprintf(name, sizeof name, "song %03d.mp3", i);
  return name;
}
std::string NewName(int i) {
  char name[32];
  std::snprintf(name, sizeof name, "Song %03d.mp3", i);
  return name;
}
std::string Content(int i) { return "audio of " + OldName(i); }

// The actions of the journal's one batch.
std::vector<JournalAction> JournalActions(const std::string& path) {
  std::error_code ec;
  const std::unique_ptr<Journal> journal = Journal::Open(path, 0, ec);
  EXPECT_FALSE(ec) << ec.message();
  if (!journal) return {};
  const std::vector<BatchSummary> batches = journal->ListBatches(ec);
  EXPECT_EQ(batches.size(), 1u);
  return batches.empty() ? std::vector<JournalAction>{} : journal->ActionsOf(batches[0].id, ec);
}

// Three hundred files on a share; the tool runs a batch over them, one
// step at a time or sixteen in flight (the parameter), and the share goes
// once the batch has changed a file as `changed` tells. With sixteen in
// flight the share answers in 5 ms rather than 1, so that it still goes in
// the middle of the batch.
class ShareGoesAway : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    setenv("SONAVEX_READS_IN_FLIGHT", std::to_string(GetParam()).c_str(), 1);
    std::string why;
    share_ = FuseMount::Create(FuseKind::SlowShare, why, GetParam() == 1 ? 1 : 5);
    if (!share_) GTEST_SKIP() << "share: " << why;
    for (int i = 0; i < kFiles; ++i) WriteFile(Source(OldName(i)), Content(i));
  }
  void TearDown() override { unsetenv("SONAVEX_READS_IN_FLIGHT"); }
  std::string Source(const std::string& name) const { return share_->source() + "/" + name; }
  std::string Told(const std::string& name) const {
    return "Warnung: " + share_->path() + "/" + name + "\n";
  }

  CliResult RunAndPullTheShare(const std::vector<std::string>& command,
                               const std::function<bool(int)>& changed) {
    std::vector<std::string> args = {"--journal", journal_, "--dir", share_->path()};
    args.insert(args.end(), command.begin(), command.end());
    CliRun run(kWithin, args);
    bool seen = false;
    for (int round = 0; round < 500 && !seen; ++round) {
      for (int i = 0; i < kFiles && !seen; ++i) seen = changed(i);
      if (!seen) std::this_thread::sleep_for(10ms);
    }
    EXPECT_TRUE(seen);
    share_->DetachLazily();
    return run.Wait();
  }

  const std::vector<std::string> kWithin = {"timeout", "-k", "5", "60"};
  TempDir local_;
  const std::string journal_ = local_ / "journal.sqlite";
  std::unique_ptr<FuseMount> share_;
};

TEST_P(ShareGoesAway, RenameBatchEndsToldAndUndoable) {
  const CliResult result =
      RunAndPullTheShare({"G"}, [&](int i) {
        return Exists(Source(NewName(i))) && !Exists(Source(OldName(i)));
      });
  ASSERT_EQ(result.status, 1) << result.err;

  // Each file old or new, with its content; the journal's Failed renames
  // are the old ones, its Done ones the new ones, and each file left old
  // is told once. The rename goes by link and unlink where the share does
  // not take the no-replace flag: the files that were in flight when the
  // share went may keep both names (one file, told like the others).
  std::map<std::string, ActionState> states;
  for (const JournalAction& action : JournalActions(journal_)) {
    states[action.oldName] = action.state;
  }
  int renamed = 0;
  int bothNames = 0;
  for (int i = 0; i < kFiles; ++i) {
    const bool isOld = Exists(Source(OldName(i)));
    const bool isNew = Exists(Source(NewName(i)));
    ASSERT_TRUE(isOld || isNew) << OldName(i);
    bothNames += isOld && isNew ? 1 : 0;
    renamed += isNew && !isOld ? 1 : 0;
    EXPECT_EQ(ReadFile(Source(isNew ? NewName(i) : OldName(i))), Content(i));
    ASSERT_EQ(states.count(OldName(i)), 1u) << OldName(i);
    const ActionState state = states[OldName(i)];
    EXPECT_TRUE(state == ActionState::Pending || isOld == (state == ActionState::Failed))
        << OldName(i);
    EXPECT_EQ(Occurrences(result.err, Told(OldName(i))), isOld ? 1u : 0u) << OldName(i);
  }
  EXPECT_LE(bothNames, GetParam());
  EXPECT_GT(renamed, 0);
  EXPECT_LT(renamed, kFiles);

  // Back on the net, undo puts the old names back.
  ASSERT_TRUE(share_->Remount(0));
  const CliResult undo =
      RunCliThrough(kWithin, {"--journal", journal_, "--dir", share_->path(), "undo"});
  EXPECT_EQ(undo.status, 0) << undo.err;
  for (int i = 0; i < kFiles; ++i) EXPECT_EQ(ReadFile(Source(OldName(i))), Content(i));
}

// A tag batch appends the empty tag and then writes it: each file is as it
// was, has the empty tag or has the written one, as the journal tells. The
// files are held open from their reading on, so the share's going away
// meets them there too.
TEST_P(ShareGoesAway, TagBatchEndsToldAndAsTheJournalSays) {
  const auto tail = [&](int i) {
    const std::string now = ReadFile(Source(OldName(i)));
    return now.size() > Content(i).size() ? now.substr(Content(i).size()) : std::string();
  };
  const CliResult result = RunAndPullTheShare({"B", "--title", "x", ""},
                                              [&](int i) { return tail(i).starts_with("TAGx"); });
  ASSERT_EQ(result.status, 1) << result.err;

  std::map<std::string, std::map<ActionKind, ActionState>> states;
  for (const JournalAction& action : JournalActions(journal_)) {
    states[action.path][action.kind] = action.state;
  }
  int written = 0;
  int unanswered = 0;
  for (int i = 0; i < kFiles; ++i) {
    const std::string now = ReadFile(Source(OldName(i)));
    ASSERT_EQ(now.substr(0, Content(i).size()), Content(i)) << OldName(i);
    const std::string added = tail(i);
    const bool isWritten = added.starts_with("TAGx") && added.size() == 128;
    EXPECT_TRUE(added.empty() || added == EmptyTag() || isWritten) << OldName(i);
    written += isWritten ? 1 : 0;
    const auto& file = states[share_->path() + "/" + OldName(i)];
    const auto stateOf = [&](ActionKind kind) {
      return file.count(kind) ? file.at(kind) : ActionState::Failed;
    };
    EXPECT_TRUE(stateOf(ActionKind::TagWrite) != ActionState::Done || isWritten);
    const std::size_t told = Occurrences(result.err, Told(OldName(i)));
    EXPECT_TRUE(told == 1 || (told == 0 && isWritten)) << OldName(i);
    // A write in flight when the share went may have reached it without an
    // answer: its step failed and was told, yet the file changed.
    const bool appendFailed = stateOf(ActionKind::TagAppend) == ActionState::Failed;
    EXPECT_TRUE(!appendFailed || added.empty() || told == 1) << OldName(i);
    unanswered += (told == 1 && isWritten) || (appendFailed && !added.empty()) ? 1 : 0;
  }
  EXPECT_LE(unanswered, GetParam());
  EXPECT_GT(written, 0);
  EXPECT_LT(written, kFiles);
}

// Ctrl-C in the middle of a rename batch: the renames in flight finish, no
// further one begins, the tool says how many ran and ends with 130; the
// journal holds exactly those, and undo takes back exactly those.
TEST_P(ShareGoesAway, CtrlCStopsTheBatchAndUndoTakesBackWhatRan) {
  const std::string pidFile = local_ / "pid";
  const std::vector<std::string> launcher = {"sh", "-c", "echo $$ > " + ShellQuote(pidFile) +
                                                             " && exec \"$@\"",
                                             "sh"};
  CliRun run(launcher, {"--journal", journal_, "--dir", share_->path(), "G"});
  const auto renamedCount = [&] {
    int renamed = 0;
    for (int i = 0; i < kFiles; ++i) renamed += Exists(Source(NewName(i))) ? 1 : 0;
    return renamed;
  };
  for (int round = 0; round < 500 && renamedCount() == 0; ++round) {
    std::this_thread::sleep_for(10ms);
  }
  ASSERT_EQ(kill(std::stoi(ReadFile(pidFile)), SIGINT), 0);
  const CliResult result = run.Wait();
  ASSERT_EQ(result.status, 130) << result.err;

  const int renamed = renamedCount();
  EXPECT_GT(renamed, 0);
  EXPECT_LT(renamed, kFiles);
  EXPECT_EQ(result.err, "Warnung: Abgebrochen: " + std::to_string(renamed) + " von " +
                            std::to_string(kFiles) + " Änderungen ausgeführt\n");
  const std::vector<JournalAction> actions = JournalActions(journal_);
  EXPECT_EQ(actions.size(), static_cast<std::size_t>(renamed));
  for (const JournalAction& action : actions) {
    EXPECT_EQ(action.state, ActionState::Done) << action.oldName;
    EXPECT_TRUE(Exists(Source(action.newName))) << action.newName;
  }
  const CliResult undo =
      RunCliThrough(kWithin, {"--journal", journal_, "--dir", share_->path(), "undo"});
  EXPECT_EQ(undo.status, 0) << undo.err;
  for (int i = 0; i < kFiles; ++i) EXPECT_EQ(ReadFile(Source(OldName(i))), Content(i));
}

INSTANTIATE_TEST_SUITE_P(InFlight, ShareGoesAway, ::testing::Values(1, 16));

}  // namespace
}  // namespace sonavex::test
