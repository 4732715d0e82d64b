// Renames on FAT, exFAT and NTFS images mounted through FUSE. FAT and
// exFAT ignore letter case; ntfs-3g keeps NTFS names in the POSIX
// namespace, where case counts.
#include <gtest/gtest.h>

#include <map>

#include "cli/cli_run.h"
#include "core/apply/executor.h"
#include "core/batch/planner.h"
#include "core/fs/fs.h"
#include "core/fs/fs_write.h"
#include "support/fuse_mount.h"
#include "support/recording_reporter.h"

namespace sonavex::test {
namespace {

using Files = std::map<std::string, std::string>;

// Every entry of a directory with its content: a lost, doubled or
// overwritten file, or a temporary name left behind, shows here.
Files Snapshot(const std::string& directory) {
  std::error_code ec;
  Files out;
  for (const std::string& name : ListNames(directory, ec)) {
    out[name] = ReadFile(JoinPath(directory, name));
  }
  return out;
}

std::string ExistsWarning(const std::string& path) {
  return "Warnung: " + path + "\n\nEs existiert bereits eine Datei unter dem neuen Namen!\n";
}

class CaseVolume : public ::testing::TestWithParam<FuseKind> {
 protected:
  void SetUp() override {
    std::string why;
    mount_ = FuseMount::Create(GetParam(), why);
    if (!mount_) GTEST_SKIP() << FuseKindName(GetParam()) << " volume: " << why;
  }
  bool IgnoresCase() const { return GetParam() != FuseKind::Ntfs; }
  std::string Dir() const { return *mount_ / "music"; }
  std::string Path(const std::string& name) const { return Dir() + "/" + name; }
  void Put(const Files& files) const {
    for (const auto& [name, content] : files) WriteFile(Path(name), content);
  }

  TempDir local_;  // the journal stays on the local disk
  std::unique_ptr<FuseMount> mount_;
};

TEST_P(CaseVolume, CaseOnlyRenamesAndTheirUndo) {
  Put({{"the song.mp3", "1"}, {"b.mp3", "2"}, {"C D.mp3", "3"}});
  const std::string journal = local_ / "journal.sqlite";
  CliResult result = RunCli({"--journal", journal, "--dir", Dir(), "G"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(Snapshot(Dir()), (Files{
                                 {"B.mp3", "2"}, {"C D.mp3", "3"}, {"The Song.mp3", "1"}}));

  // Undo takes the batch back, again by case-only renames.
  result = RunCli({"--journal", journal, "--dir", Dir(), "undo"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(Snapshot(Dir()), (Files{
                                 {"b.mp3", "2"}, {"C D.mp3", "3"}, {"the song.mp3", "1"}}));

  WriteFile(Path("SHOUT.mp3"), "4");
  result = RunCli({"--journal", journal, "--dir", Dir(), "--mark", "SHOUT.mp3", "K"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(Snapshot(Dir()).count("Shout.mp3"), 1u);
}

// Batches whose new names meet other files only where case does not count.
TEST_P(CaseVolume, NewNamesThatMeetUnderAnotherSpelling) {
  struct Row {
    const char* what;
    Files before;
    std::vector<std::string> command;
    std::vector<std::string> refused;  // where case does not count
    Files afterIgnoringCase;
    Files afterWithCase;
  };
  const Row rows[] = {
      {"two new names that differ only in case",
       {{"song1.mp3", "1"}, {"SONG2.mp3", "2"}}, {"L", "0", "1"}, {"SONG2.mp3"},
       {{"song.mp3", "1"}, {"SONG2.mp3", "2"}}, {{"song.mp3", "1"}, {"SONG.mp3", "2"}}},
      {"a new name that is another file's other spelling",
       {{"Song.mp3", "1"}, {"xsong.mp3", "2"}}, {"X", "x", ""}, {"xsong.mp3"},
       {{"Song.mp3", "1"}, {"xsong.mp3", "2"}}, {{"Song.mp3", "1"}, {"song.mp3", "2"}}},
      {"a swap onto each other's spelling",
       {{"A - B.mp3", "1"}, {"b - a.mp3", "2"}}, {"T", "1", "2"}, {"A - B.mp3", "b - a.mp3"},
       {{"A - B.mp3", "1"}, {"b - a.mp3", "2"}}, {{"B - A.mp3", "1"}, {"a - b.mp3", "2"}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Put(row.before);
    std::vector<std::string> args = {"--dir", Dir()};
    args.insert(args.end(), row.command.begin(), row.command.end());
    const CliResult result = RunCli(args);
    std::string told;
    for (const std::string& name : row.refused) told += ExistsWarning(Path(name));
    EXPECT_EQ(result.status, IgnoresCase() ? 1 : 0);
    EXPECT_EQ(result.err, IgnoresCase() ? told : "");
    EXPECT_EQ(Snapshot(Dir()), IgnoresCase() ? row.afterIgnoringCase : row.afterWithCase);
    for (const auto& [name, content] : Snapshot(Dir())) std::remove(Path(name).c_str());
  }
  // The core path of the rename dialog.
  Put({{"Song.mp3", "1"}, {"xsong.mp3", "2"}});
  const std::error_code ec = RenameNoReplace(Dir(), "Song.mp3", "XSONG.mp3");
  EXPECT_EQ(ec, IgnoresCase() ? std::make_error_code(std::errc::file_exists) : std::error_code());
}

// A plan whose steps hand names on: a swap through a free name, where the
// freed name is taken again under its other spelling, then a case-only
// rename as the rename dialog plans it.
TEST_P(CaseVolume, ChainsAndSwapsLoseNothing) {
  Put({{"one.mp3", "1"}, {"TWO.mp3", "2"}, {"Three.mp3", "3"}});
  Plan plan;
  for (const auto& [from, to] : {std::pair{"one.mp3", "x.mp3"}, std::pair{"TWO.mp3", "One.mp3"},
                                 std::pair{"x.mp3", "two.mp3"}, std::pair{"Three.mp3", "three.mp3"},
                                 std::pair{"two.mp3", "one.mp3"}}) {
    plan.steps.push_back({Dir(), from, steps::Rename{to}});
  }
  RecordingReporter reporter;
  ApplyResult result = ApplyPlan(plan, {&reporter});
  // The last step meets "One.mp3": another file on a case-insensitive
  // volume, a free name where case counts.
  EXPECT_EQ(result.failed, IgnoresCase() ? 1 : 0);
  EXPECT_EQ(reporter.messages.size(), IgnoresCase() ? 1u : 0u);
  EXPECT_EQ(Snapshot(Dir()),
            IgnoresCase()
                ? (Files{
                      {"One.mp3", "2"}, {"three.mp3", "3"}, {"two.mp3", "1"}})
                : (Files{
                      {"One.mp3", "2"}, {"three.mp3", "3"}, {"one.mp3", "1"}}));

  reporter.messages.clear();
  result = ApplyPlan(PlanRename(Dir(), "three.mp3", "THREE.MP3"), {&reporter});
  EXPECT_EQ(result.performed, 1);
  EXPECT_TRUE(reporter.messages.empty());
  EXPECT_EQ(Snapshot(Dir()).at("THREE.MP3"), "3");
}

// exFAT compares names by its full up-case table, not only by the Latin
// letters.
TEST_P(CaseVolume, CaseOnlyRenamesBeyondLatinLetters) {
  if (GetParam() == FuseKind::Fat) GTEST_SKIP() << "fusefat takes ASCII names only";
  for (const auto& [from, to] : {std::pair{"\u00e4rger.mp3", "\u00c4rger.mp3"},
                                 std::pair{"\u03c9mega.mp3", "\u03a9mega.mp3"},
                                 std::pair{"\u0434\u0430.mp3", "\u0414\u0430.mp3"}}) {
    WriteFile(Path(from), from);
    EXPECT_FALSE(RenameNoReplace(Dir(), from, to)) << to;
    EXPECT_EQ(Snapshot(Dir()), (Files{{to, from}}));
    std::remove(Path(to).c_str());
  }
}

INSTANTIATE_TEST_SUITE_P(Fuse, CaseVolume,
                         ::testing::Values(FuseKind::Fat, FuseKind::ExFat, FuseKind::Ntfs),
                         [](const auto& info) { return std::string(FuseKindName(info.param)); });

}  // namespace
}  // namespace sonavex::test
