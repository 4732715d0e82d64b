// Batches over a slow share, and a share that goes away in the middle of
// one: the batch ends, every failure is told, each file is in its old or
// its new state and the journal says which.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <thread>

#include "cli/cli_run.h"
#include "core/journal/journal.h"
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

// The actions of the journal's one batch, by the old name of their file.
std::map<std::string, JournalAction> JournalRenames(const std::string& path) {
  std::error_code ec;
  const std::unique_ptr<Journal> journal = Journal::Open(path, 0, ec);
  EXPECT_FALSE(ec) << ec.message();
  std::map<std::string, JournalAction> out;
  if (!journal) return out;
  const std::vector<BatchSummary> batches = journal->ListBatches(ec);
  EXPECT_EQ(batches.size(), 1u);
  if (batches.empty()) return out;
  for (JournalAction& action : journal->ActionsOf(batches[0].id, ec)) {
    out[action.oldName] = std::move(action);
  }
  return out;
}

// Waits until the batch has changed a file on the share's source.
bool WaitForFirstRename(const std::string& source) {
  for (int i = 0; i < 500; ++i) {
    for (int file = 0; file < kFiles; ++file) {
      if (Exists(source + "/" + NewName(file))) return true;
    }
    std::this_thread::sleep_for(10ms);
  }
  return false;
}

TEST(ShareGoesAway, RenameBatchEndsToldAndUndoable) {
  std::string why;
  std::unique_ptr<FuseMount> share = FuseMount::Create(FuseKind::SlowShare, why, 2);
  if (!share) GTEST_SKIP() << "share: " << why;
  for (int i = 0; i < kFiles; ++i) WriteFile(share->source() + "/" + OldName(i), Content(i));
  TempDir local;
  const std::string journal = local / "journal.sqlite";

  CliRun run({"timeout", "-k", "5", "60"}, {"--journal", journal, "--dir", share->path(), "G"});
  ASSERT_TRUE(WaitForFirstRename(share->source()));
  share->DetachLazily();
  const CliResult result = run.Wait();
  ASSERT_EQ(result.status, 1) << result.err;

  // Each file old or new, with its content; the journal's Done renames
  // are the new ones, its Failed ones the old ones, and each file left old
  // is told once. The rename goes by link and unlink where the share does
  // not take the no-replace flag: the file that was in flight when the
  // share went may keep both names (one file, told like the others).
  const std::map<std::string, JournalAction> actions = JournalRenames(journal);
  int renamed = 0;
  int inFlight = 0;
  for (int i = 0; i < kFiles; ++i) {
    const bool isOld = Exists(share->source() + "/" + OldName(i));
    const bool isNew = Exists(share->source() + "/" + NewName(i));
    ASSERT_TRUE(isOld || isNew) << OldName(i);
    inFlight += isOld && isNew ? 1 : 0;
    EXPECT_EQ(ReadFile(share->source() + "/" + (isNew ? NewName(i) : OldName(i))), Content(i));
    renamed += isNew && !isOld ? 1 : 0;
    const auto action = actions.find(OldName(i));
    ASSERT_NE(action, actions.end()) << OldName(i);
    const ActionState state = action->second.state;
    EXPECT_TRUE(state == ActionState::Pending || isOld == (state == ActionState::Failed))
        << OldName(i);
    EXPECT_EQ(Occurrences(result.err, "Warnung: " + share->path() + "/" + OldName(i) + "\n"),
              isOld ? 1u : 0u)
        << OldName(i);
  }
  EXPECT_LE(inFlight, 1);
  EXPECT_GT(renamed, 0);
  EXPECT_LT(renamed, kFiles);

  // Back on the net, undo puts the old names back.
  ASSERT_TRUE(share->Remount(0));
  const CliResult undo = RunCliThrough({"timeout", "-k", "5", "60"},
                                       {"--journal", journal, "--dir", share->path(), "undo"});
  EXPECT_EQ(undo.status, 0) << undo.err;
  for (int i = 0; i < kFiles; ++i) {
    EXPECT_EQ(ReadFile(share->source() + "/" + OldName(i)), Content(i));
  }

}

}  // namespace
}  // namespace sonavex::test
