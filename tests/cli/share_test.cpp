// Batches over a slow share, and a share that goes away in the middle of
// one: the batch ends, every failure is told, each file is in its old or
// its new state and the journal says which.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
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

// Three hundred files on a share with 1 ms a request; the tool runs a
// batch over them, and the share goes once the batch has changed a file
// as `changed` tells.
class ShareGoesAway : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    share_ = FuseMount::Create(FuseKind::SlowShare, why, 1);
    if (!share_) GTEST_SKIP() << "share: " << why;
    for (int i = 0; i < kFiles; ++i) WriteFile(Source(OldName(i)), Content(i));
  }
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

TEST_F(ShareGoesAway, RenameBatchEndsToldAndUndoable) {
  const CliResult result =
      RunAndPullTheShare({"G"}, [&](int i) {
        return Exists(Source(NewName(i))) && !Exists(Source(OldName(i)));
      });
  ASSERT_EQ(result.status, 1) << result.err;

  // Each file old or new, with its content; the journal's Failed renames
  // are the old ones, its Done ones the new ones, and each file left old
  // is told once. The rename goes by link and unlink where the share does
  // not take the no-replace flag: the file that was in flight when the
  // share went may keep both names (one file, told like the others).
  std::map<std::string, ActionState> states;
  for (const JournalAction& action : JournalActions(journal_)) {
    states[action.oldName] = action.state;
  }
  int renamed = 0;
  int inFlight = 0;
  for (int i = 0; i < kFiles; ++i) {
    const bool isOld = Exists(Source(OldName(i)));
    const bool isNew = Exists(Source(NewName(i)));
    ASSERT_TRUE(isOld || isNew) << OldName(i);
    inFlight += isOld && isNew ? 1 : 0;
    renamed += isNew && !isOld ? 1 : 0;
    EXPECT_EQ(ReadFile(Source(isNew ? NewName(i) : OldName(i))), Content(i));
    ASSERT_EQ(states.count(OldName(i)), 1u) << OldName(i);
    const ActionState state = states[OldName(i)];
    EXPECT_TRUE(state == ActionState::Pending || isOld == (state == ActionState::Failed))
        << OldName(i);
    EXPECT_EQ(Occurrences(result.err, Told(OldName(i))), isOld ? 1u : 0u) << OldName(i);
  }
  EXPECT_LE(inFlight, 1);
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
// was, has the empty tag or has the written one, as the journal tells.
TEST_F(ShareGoesAway, TagBatchEndsToldAndAsTheJournalSays) {
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
    EXPECT_TRUE(stateOf(ActionKind::TagAppend) != ActionState::Failed || added.empty());
    EXPECT_TRUE(stateOf(ActionKind::TagWrite) != ActionState::Done || isWritten);
    EXPECT_EQ(Occurrences(result.err, Told(OldName(i))), isWritten ? 0u : 1u) << OldName(i);
  }
  EXPECT_GT(written, 0);
  EXPECT_LT(written, kFiles);
}

}  // namespace
}  // namespace sonavex::test
