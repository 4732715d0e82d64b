// The list, info, a rename batch, a tag batch and the export over a tree
// with special files, odd names and tiny files, on the local disk and on a
// slow share: no hang, no crash, names byte for byte, each failure told
// once.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "cli/cli_run.h"
#include "core/apply/executor.h"
#include "core/apply/export_step.h"
#include "core/batch/planner.h"
#include "core/fs/fs.h"
#include "core/mp3/tinfo.h"
#include "core/ops/export.h"
#include "core/text/encoding.h"
#include "support/fuse_mount.h"
#include "support/odd_tree.h"
#include "support/recording_reporter.h"

namespace sonavex::test {
namespace {

const std::vector<std::string> kWithin = {"timeout", "-k", "5", "30"};

// The file type bits of an entry, without following a link.
mode_t KindOf(const std::string& path) {
  struct stat st{};
  return lstat(path.c_str(), &st) == 0 ? (st.st_mode & S_IFMT) : 0;
}

// 'G' capitalizes the first letter of each word.
std::string Capitalized(const std::string& name) {
  std::string out = name;
  if (out[0] >= 'a' && out[0] <= 'z') out[0] = static_cast<char>(out[0] - 'a' + 'A');
  return out;
}

// The tree on the local disk (false) or seen through a slow share (true);
// on the share it is built in the share's source folder, as the share's
// server would have it.
class OddTree : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    if (GetParam()) {
      std::string why;
      share_ = FuseMount::Create(FuseKind::SlowShare, why, 1);
      if (!share_) GTEST_SKIP() << "share: " << why;
      source_ = share_->source();
      dir_ = share_->path();
    } else {
      source_ = dir_ = local_ / "tree";
      mkdir(dir_.c_str(), 0755);
    }
    BuildOddTree(source_, GetParam());
  }
  // The share's server (fusepy) cannot list names that are not UTF-8.
  std::vector<OddFile> Files() const { return OddTreeFiles(GetParam()); }
  std::string Path(const std::string& name) const { return JoinPath(dir_, name); }
  std::string Source(const std::string& name) const { return JoinPath(source_, name); }
  // The special entries are as they were.
  void ExpectOthersUntouched() const {
    EXPECT_EQ(KindOf(Source("fifo.mp3")), static_cast<mode_t>(S_IFIFO));
    EXPECT_EQ(KindOf(Source("socket.mp3")), static_cast<mode_t>(S_IFSOCK));
    for (const char* link : {"loop.mp3", "dangling.mp3", "up"}) {
      EXPECT_EQ(KindOf(Source(link)), static_cast<mode_t>(S_IFLNK)) << link;
    }
  }

  // Exactly one message for each of `names`, and no other.
  void ExpectReportedOnce(const RecordingReporter& reporter,
                          const std::vector<std::string>& names) const {
    EXPECT_EQ(reporter.messages.size(), names.size());
    if (reporter.messages.size() != names.size()) {
      for (const RecordedMessage& m : reporter.messages) ADD_FAILURE() << EncodeUtf8(m.text);
    }
    for (const std::string& name : names) {
      const std::u32string path = DecodeUtf8(Path(name)) + U"\n";
      EXPECT_EQ(std::count_if(reporter.messages.begin(), reporter.messages.end(),
                              [&](const RecordedMessage& m) { return m.text.starts_with(path); }),
                1)
          << name;
    }
  }

  TempDir local_;
  std::unique_ptr<FuseMount> share_;
  std::string source_;
  std::string dir_;
};

TEST_P(OddTree, ListAndInfoShowEachFileOnceAndChangeNothing) {
  std::string expected;
  for (const OddFile& file : Files()) expected += Path(file.name) + "\n";
  CliResult result = RunCliThrough(kWithin, {"--dir", dir_, "list"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out, expected);

  // Through the tree: the link "up" to the tree itself is not followed.
  result = RunCliThrough(kWithin, {"--dir", dir_, "--recursive", "list"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, expected + Path("locked/inside.mp3") + "\n");

  result = RunCliThrough(kWithin, {"--dir", dir_, "info"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
  for (const OddFile& file : Files()) {
    EXPECT_EQ(Occurrences(result.out, Path(file.name) + "\t"), 1u) << file.name;
    EXPECT_EQ(ReadFile(Source(file.name)), file.content) << file.name;
  }
  ExpectOthersUntouched();
  if (!GetParam()) return;

  // A folder the share's server cannot list is one error, not a hang.
  WriteFile(Source("caf\xe9.mp3"), "");
  result = RunCliThrough(kWithin, {"--dir", dir_, "list"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "Fehler: Verzeichnis (" + dir_ + ") nicht gefunden!\nProgrammabbruch!\n");
}

TEST_P(OddTree, RenameExportAndTagBatches) {
  // One byte more than a name may have.
  const std::string longName = std::string(251, 'l') + ".mp3";
  CliResult result = RunCliThrough(kWithin, {"--dir", dir_, "--mark", longName, "E", "x", ""});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "Warnung: " + Path(longName) + "\n\nFehler 36:\nFile name too long\n");

  result = RunCliThrough(kWithin, {"--dir", dir_, "G"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
  for (const OddFile& file : Files()) {
    EXPECT_EQ(ReadFile(Source(Capitalized(file.name))), file.content) << file.name;
  }

  // The export gives each untagged MP3 file its empty tag.
  const std::string list = local_ / "list.txt";
  result = RunCliThrough(kWithin, {"--dir", dir_, "--columns", "1", "P", list});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
  const std::string exported = ReadFile(list);
  for (const OddFile& file : Files()) {
    const std::string base = Capitalized(file.name.substr(0, file.name.size() - 4));
    EXPECT_EQ(Occurrences(exported, "\n" + base + "\r\n"), 1u) << file.name;
  }

  result = RunCliThrough(kWithin, {"--dir", dir_, "B", "--title", "x", ""});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
  for (const OddFile& file : Files()) {
    const std::string now = ReadFile(Source(Capitalized(file.name)));
    // A file of 128 bytes or more that starts its last 128 with "TAG" has
    // a tag already; every other one got one behind its bytes.
    const bool tagged = file.content.size() >= 128;
    ASSERT_EQ(now.size(), file.content.size() + (tagged ? 0 : 128)) << file.name;
    EXPECT_EQ(now.substr(0, now.size() - 128), file.content.substr(0, now.size() - 128));
    EXPECT_EQ(now.substr(now.size() - 128, 4), "TAGx") << file.name;
  }
  ExpectOthersUntouched();
}

// Files that go away or change between the listing and their turn.
TEST_P(OddTree, FilesThatVanishOrChangeAfterTheListing) {
  BatchContext context;
  RecordingReporter reporter;
  Plan plan = PlanSelection(Operation::G, NoParams{}, dir_, {}, context);
  unlink(Source("size0.mp3").c_str());
  if (!GetParam()) {
    // A name is a name: the FIFO that took the file's place is renamed.
    // (Through FUSE a changed kind of entry is an I/O error or not, as the
    // kernel's cache of it has it.)
    unlink(Source("size1.mp3").c_str());
    ASSERT_EQ(mkfifo(Source("size1.mp3").c_str(), 0644), 0);
  }
  ApplyPlan(plan, {&reporter});
  ExpectReportedOnce(reporter, {"size0.mp3"});
  if (!GetParam()) {
    EXPECT_EQ(KindOf(Source("Size1.mp3")), static_cast<mode_t>(S_IFIFO));
  }

  reporter.messages.clear();
  TagInsertParams title{{U"x", U""}, {}, {}};
  plan = PlanSelection(Operation::B, title, dir_, {}, context);
  unlink(Source("Size127.mp3").c_str());
  WriteFile(Source("Size129.mp3"), "changed");
  unlink(Source("Size128.mp3").c_str());
  ASSERT_EQ(mkfifo(Source("Size128.mp3").c_str(), 0644), 0);
  ApplyPlan(plan, {&reporter});
  ExpectReportedOnce(reporter, {"Size127.mp3", "Size128.mp3", "Size129.mp3"});
  EXPECT_EQ(ReadFile(Source("Size129.mp3")), "changed");
  EXPECT_EQ(KindOf(Source("Size128.mp3")), static_cast<mode_t>(S_IFIFO));

  // The reader of the info views and the export meet the same.
  TInfo info;
  EXPECT_EQ(info.SetDatei(Path("Size127.mp3")), std::errc::no_such_file_or_directory);
  info.SetDatei(Path("Size128.mp3"));  // a FIFO: whatever it says, it returns
  reporter.messages.clear();
  context.reporter = &reporter;
  ExportParams names;
  names.columns[0] = true;
  const TInfo::TagAppender refuse = [](const std::string&, std::int64_t) { return false; };
  const std::string list =
      BuildExport(dir_, {"Size127.mp3", "Size128.mp3", "Size129.mp3"}, context, names, &refuse);
  ExpectReportedOnce(reporter, {"Size127.mp3"});
  EXPECT_EQ(Occurrences(list, "\nSize129\r\n"), 1u);
  ExpectOthersUntouched();
}

// A folder the user may not read ends a walk through the tree with one
// error, after the files before it.
TEST_P(OddTree, UnreadableFolderEndsTheWalkWithOneError) {
  if (GetParam()) GTEST_SKIP() << "the share's server reads as root";
  chmod(local_.path().c_str(), 0755);
  const CliResult result = RunCliThrough(
      {"timeout", "-k", "5", "30", "setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"},
      {"--dir", dir_, "--recursive", "list"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "Fehler: Verzeichnis (" + dir_ + ") nicht gefunden!\nProgrammabbruch!\n");
  EXPECT_EQ(Occurrences(result.out, "\n"), Files().size() + 1);  // one name holds a break
}

INSTANTIATE_TEST_SUITE_P(Disk, OddTree, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Share" : "Local"; });

}  // namespace
}  // namespace sonavex::test
