// A case-insensitive volume: a FAT image mounted through FUSE (fusefat).
// Undo of letter-case changes cut off by a kill, and playlists that name a
// file in another letter case. Skips where FUSE or the tools are missing.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/apply/executor.h"
#include "core/apply/undo.h"
#include "core/batch/planner.h"
#include "core/fs/fs.h"
#include "core/journal/journal.h"
#include "core/text/encoding.h"
#include "support/recording_reporter.h"
#include "support/test_support.h"

namespace sonavex {
namespace {

using test::TempDir;
using test::WriteFile;

constexpr std::int64_t kNow = 1'700'000'000;

bool Run(const std::string& command) { return std::system(command.c_str()) == 0; }

// A small FAT image mounted at `path()` for the object's lifetime.
class FatVolume {
 public:
  explicit FatVolume(const TempDir& dir) : image_(dir / "fat.img"), mount_(dir / "fat") {
    mounted_ = access("/dev/fuse", R_OK | W_OK) == 0 && Run("command -v fusefat >/dev/null") &&
               Run("truncate -s 8M '" + image_ + "' && mkfs.vfat '" + image_ +
                   "' >/dev/null 2>&1 && mkdir -p '" + mount_ + "' && fusefat -o rw+ '" +
                   image_ + "' '" + mount_ + "' >/dev/null 2>&1");
  }
  ~FatVolume() {
    if (mounted_) Run("fusermount -u '" + mount_ + "'");
  }
  FatVolume(const FatVolume&) = delete;
  FatVolume& operator=(const FatVolume&) = delete;

  bool mounted() const { return mounted_; }
  const std::string& path() const { return mount_; }

 private:
  std::string image_, mount_;
  bool mounted_ = false;
};

// Killed with three letter-case changes Pending: one happened, one did not,
// one was left under its temporary name. On this volume "A.mp3" is also
// found as "a.mp3", so only the exact names tell which; undo brings back
// every old name.
TEST(UndoOnFat, CaseChangesCutOffByAKillAreTakenBackExactly) {
  TempDir dir;
  FatVolume fat(dir);
  if (!fat.mounted()) GTEST_SKIP() << "FUSE or fusefat/mkfs.vfat missing: no FAT volume";
  const std::string music = fat.path();
  std::error_code ec;
  auto journal = Journal::Open(dir / "journal.sqlite", kNow, ec);
  ASSERT_FALSE(ec) << ec.message();
  std::vector<JournalAction> renames;
  for (const char* name : {"a", "b", "c"}) {
    JournalAction rename;
    rename.directory = music;
    rename.oldName = std::string(name) + ".mp3";
    rename.newName = std::string(1, static_cast<char>(name[0] - 32)) + ".mp3";
    renames.push_back(rename);
  }
  const std::int64_t batch =
      journal->BeginBatch({kNow, 'G', "Großbuchstaben abc->Abc", "", music, 0}, ec);
  const std::vector<std::int64_t> ids = journal->RecordPending(batch, renames, ec);
  ASSERT_FALSE(ec) << ec.message();
  WriteFile(music + "/A.mp3", "a");
  WriteFile(music + "/b.mp3", "b");
  WriteFile(music + "/" + JournaledTemporaryName(ids[2]), "c");

  const Plan plan = PlanUndo(*journal, batch, ec);
  ASSERT_FALSE(ec) << ec.message();
  test::RecordingReporter reporter;
  ExecutorContext context;
  context.reporter = &reporter;
  EXPECT_EQ(ApplyPlan(plan, context).performed, 2);
  EXPECT_TRUE(reporter.messages.empty());
  EXPECT_EQ(ListNames(music, ec).size(), 3u);
  EXPECT_EQ(ListFiles(music, U"*", ec),
            (std::vector<std::string>{"a.mp3", "b.mp3", "c.mp3"}));
  EXPECT_EQ(test::ReadFile(music + "/c.mp3"), "c");
}

// The volume compares names without letter case, so a line spelt "SONG"
// names "Song" and follows its rename; a line naming no file stays.
TEST(PlaylistsOnFat, ALineInAnotherLetterCaseFollowsTheRename) {
  TempDir dir;
  FatVolume fat(dir);
  if (!fat.mounted()) GTEST_SKIP() << "FUSE or fusefat/mkfs.vfat missing: no FAT volume";
  const std::string music = fat.path();
  WriteFile(music + "/Album/Song - a.mp3", "");
  WriteFile(music + "/list.m3u",
            "ALBUM/SONG - A.MP3\r\nAlbum/Song - a.mp3\r\nAlbum/Other - a.mp3\r\n");
  BatchContext context;
  context.recursive = true;
  context.followPlaylists = true;
  test::RecordingReporter reporter;
  const ApplyResult result = RunSelection(Operation::X, SearchReplaceParams{U" - ", U" -- "},
                                          music, {}, context, {.reporter = &reporter});
  EXPECT_EQ(result.failed, 0);
  for (const auto& message : reporter.messages) ADD_FAILURE() << EncodeUtf8(message.text);
  EXPECT_EQ(test::ReadFile(music + "/list.m3u"),
            "ALBUM/Song -- a.mp3\r\nAlbum/Song -- a.mp3\r\nAlbum/Other - a.mp3\r\n");
}

}  // namespace
}  // namespace sonavex
