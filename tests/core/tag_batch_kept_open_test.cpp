// A tag batch that runs as soon as it is planned keeps each file it will
// change open from its reading to its write. What another program does to
// a file in between is found all the same: the batch leaves the same files
// and tells the same messages as one that opens each file again, with one
// step at a time and with sixteen, on the local disk and on a share.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/apply/executor.h"
#include "core/batch/planner.h"
#include "core/fs/fs.h"
#include "core/mp3/id3v1.h"
#include "core/session/session.h"
#include "core/text/encoding.h"
#include "support/fuse_mount.h"
#include "support/mp3_fixtures.h"
#include "support/recording_reporter.h"
#include "support/test_support.h"

namespace sonavex {
namespace {

using test::ReadsInFlight;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

using test::kAudio;

// A tag whose title is `title`, padded with blanks.
std::string Tag(const std::string& title) { return test::TagWith(title, "", ""); }

const OperationParams kLive = TagInsertParams{{U"", U" (Live)"}, {}, {}};

// A file of the batch: what it holds when the batch is planned, what
// another program does to it before the batch writes it, and what it holds
// at the end.
struct Case {
  const char* name;
  std::string planned;
  void (*meanwhile)(const std::string& path);
  std::string expected;  // "": the file is gone
  bool told;
};

void AppendBytes(const std::string& path) {
  WriteFile(path, ReadFile(path) + "more audio");
}
void EditTitle(const std::string& path) {
  WriteFile(path, kAudio + Tag("Edited"));
}
void PutAnotherFileInItsPlace(const std::string& path) {
  WriteFile(path + ".new", kAudio + Tag("Other"));
  ASSERT_EQ(std::rename((path + ".new").c_str(), path.c_str()), 0);
}
void PutACopyInItsPlace(const std::string& path) {
  WriteFile(path + ".new", ReadFile(path));
  ASSERT_EQ(std::rename((path + ".new").c_str(), path.c_str()), 0);
}
void Remove(const std::string& path) { ASSERT_EQ(unlink(path.c_str()), 0); }

const std::vector<Case>& Cases() {
  static const std::vector<Case> cases = {
      {"tagged.mp3", kAudio + Tag("Song"), nullptr, kAudio + Tag("Song (Live)"), false},
      {"untagged.mp3", kAudio, nullptr, kAudio + Tag("(Live)"), false},
      {"edited.mp3", kAudio + Tag("Song"), EditTitle, kAudio + Tag("Edited"), true},
      {"grown.mp3", kAudio + Tag("Song"), AppendBytes, kAudio + Tag("Song") + "more audio",
       true},
      {"grown untagged.mp3", kAudio, AppendBytes, kAudio + "more audio", true},
      {"replaced.mp3", kAudio + Tag("Song"), PutAnotherFileInItsPlace, kAudio + Tag("Other"),
       true},
      {"copied.mp3", kAudio + Tag("Song"), PutACopyInItsPlace, kAudio + Tag("Song (Live)"),
       false},
      {"removed.mp3", kAudio + Tag("Song"), Remove, "", true},
  };
  return cases;
}

struct Outcome {
  std::map<std::string, std::string> files;
  std::vector<std::string> messages;
  int performed = 0;
};

// Plans B over the cases' files in `dir`, lets the cases' changes happen,
// then applies the plan with `inFlight` steps at once.
Outcome RunCases(const std::string& dir, bool appliedAtOnce, int inFlight) {
  for (const Case& c : Cases()) WriteFile(dir + "/" + c.name, c.planned);
  test::RecordingReporter reporter;
  BatchContext context;
  context.appliedAtOnce = appliedAtOnce;
  const Plan plan = PlanSelection(Operation::B, kLive, dir, {}, context);
  EXPECT_EQ(plan.keptFiles != nullptr, appliedAtOnce);
  for (const Case& c : Cases()) {
    if (c.meanwhile != nullptr) c.meanwhile(dir + "/" + c.name);
  }
  ExecutorContext executor;
  executor.reporter = &reporter;
  executor.inFlight = inFlight;
  Outcome outcome;
  outcome.performed = ApplyPlan(plan, executor).performed;
  for (const Case& c : Cases()) {
    const std::string path = dir + "/" + c.name;
    outcome.files[c.name] = test::Exists(path) ? ReadFile(path) : "";
  }
  for (const auto& message : reporter.messages) {
    std::string text = EncodeUtf8(message.text);
    outcome.messages.push_back(text.replace(0, dir.size(), "<dir>"));
  }
  return outcome;
}

// Kept open or opened again, one step at a time or sixteen: the same
// files, messages and counts, each file as its case says. The folders of
// the runs are made in `made` (a share makes none), which `root` shows.
void ExpectSameKeptOrNot(const std::string& root, const std::string& made) {
  std::map<std::string, Outcome> runs;
  for (const bool kept : {false, true}) {
    for (const int inFlight : {1, 16}) {
      const std::string name = (kept ? "kept" : "opened") + std::to_string(inFlight);
      ASSERT_EQ(mkdir((made + "/" + name).c_str(), 0755), 0);
      runs[name] = RunCases(root + "/" + name, kept, inFlight);
    }
  }
  const Outcome& reference = runs["opened1"];
  for (const auto& [name, run] : runs) {
    SCOPED_TRACE(name);
    EXPECT_EQ(run.files, reference.files);
    EXPECT_EQ(run.messages, reference.messages);
    EXPECT_EQ(run.performed, reference.performed);
  }
  std::size_t told = 0;
  for (const Case& c : Cases()) {
    EXPECT_EQ(reference.files.at(c.name), c.expected) << c.name;
    told += c.told ? 1 : 0;
  }
  ASSERT_EQ(reference.messages.size(), told);
  EXPECT_EQ(reference.messages[0], "<dir>/edited.mp3\n\r\n\rDatei wurde seither verändert");
  EXPECT_EQ(reference.performed, 4);  // tagged, untagged (append and write), copied
}

TEST(KeptOpen, FilesChangedAfterPlanningAreFoundAsWithAFreshOpen) {
  const ReadsInFlight asOnAShare(16);
  TempDir dir;
  ExpectSameKeptOrNot(dir.path(), dir.path());
}

TEST(KeptOpen, FilesChangedAfterPlanningAreFoundOnAShare) {
  std::string why;
  const auto share = test::FuseMount::Create(test::FuseKind::SlowShare, why, 1);
  if (!share) GTEST_SKIP() << "share: " << why;
  ExpectSameKeptOrNot(share->path(), share->source());
}

// The local disk reads one file after the other, and keeps them open as
// well.
TEST(KeptOpen, FilesChangedAfterPlanningAreFoundReadingOneAtATime) {
  const ReadsInFlight oneAtATime(1);
  TempDir dir;
  ExpectSameKeptOrNot(dir.path(), dir.path());
}

// Raises the process's limit of open files back to what it was.
class OpenFilesLimit {
 public:
  explicit OpenFilesLimit(rlim_t soft) {
    getrlimit(RLIMIT_NOFILE, &before_);
    rlimit lowered = before_;
    lowered.rlim_cur = soft;
    ok_ = setrlimit(RLIMIT_NOFILE, &lowered) == 0;
  }
  ~OpenFilesLimit() { setrlimit(RLIMIT_NOFILE, &before_); }
  OpenFilesLimit(const OpenFilesLimit&) = delete;
  OpenFilesLimit& operator=(const OpenFilesLimit&) = delete;
  bool ok() const { return ok_; }

 private:
  rlimit before_{};
  bool ok_ = false;
};

// A batch over more files than the process may have open keeps only part
// of them open and changes every one, on the local disk and as on a share.
TEST(KeptOpen, MoreFilesThanTheProcessMayOpenAreAllChanged) {
  for (const int reads : {1, 16}) {
    SCOPED_TRACE(reads);
    const ReadsInFlight inFlight(reads);
    TempDir dir;
    for (int i = 0; i < 150; ++i) WriteFile(dir / (std::to_string(i) + ".mp3"), kAudio);
    test::RecordingReporter reporter;
    BatchContext context;
    context.appliedAtOnce = true;
    ExecutorContext executor;
    executor.reporter = &reporter;
    ApplyResult result;
    {
      const OpenFilesLimit limit(100);
      ASSERT_TRUE(limit.ok());
      result = ApplyPlan(PlanSelection(Operation::B, kLive, dir.path(), {}, context), executor);
    }
    EXPECT_EQ(result.performed, 300);  // each file's append and write
    EXPECT_TRUE(reporter.messages.empty());
    for (int i = 0; i < 150; ++i) {
      EXPECT_EQ(ReadFile(dir / (std::to_string(i) + ".mp3")), kAudio + Tag("(Live)")) << i;
    }
  }
}

// A write-protected file is opened for reading only, as before; the step
// lifts the protection, writes and puts it back. As root every file is
// writable, so the batch runs as a plain user who owns the files.
TEST(KeptOpen, WriteProtectedFilesAreWrittenAndStayProtected) {
  const ReadsInFlight asOnAShare(16);
  TempDir dir;
  const std::string tagged = dir / "tagged.mp3";
  const std::string untagged = dir / "untagged.mp3";
  WriteFile(tagged, kAudio + Tag("Song"));
  WriteFile(untagged, kAudio);
  chmod(dir.path().c_str(), 0755);
  for (const std::string& file : {tagged, untagged}) {
    if (geteuid() == 0) {
      ASSERT_EQ(chown(file.c_str(), 65534, 65534), 0);
    }
    ASSERT_EQ(chmod(file.c_str(), 0444), 0);
  }
  const std::optional<bool> ran = test::CheckUnprivileged(dir.path(), [&] {
    test::RecordingReporter reporter;
    BatchContext context;
    context.appliedAtOnce = true;
    ExecutorContext executor;
    executor.reporter = &reporter;
    const Plan plan = PlanSelection(Operation::B, kLive, dir.path(), {}, context);
    return ApplyPlan(plan, executor).performed == 3 && reporter.messages.empty();
  });
  if (!ran) GTEST_SKIP() << "an unprivileged user cannot enter " << dir.path();
  EXPECT_TRUE(*ran);
  EXPECT_EQ(ReadFile(tagged), kAudio + Tag("Song (Live)"));
  EXPECT_EQ(ReadFile(untagged), kAudio + Tag("(Live)"));
  for (const std::string& file : {tagged, untagged}) {
    struct stat st{};
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u) << file;
  }
}

// The files of this process open below `dir`.
int OpenBelow(const std::string& dir) {
  int open = 0;
  DIR* fds = opendir("/proc/self/fd");
  if (fds == nullptr) return -1;
  while (const dirent* entry = readdir(fds)) {
    char target[4096];
    const std::string link = std::string("/proc/self/fd/") + entry->d_name;
    const ssize_t size = readlink(link.c_str(), target, sizeof target - 1);
    if (size > 0 && std::string(target, static_cast<std::size_t>(size)).starts_with(dir + "/")) {
      ++open;
    }
  }
  closedir(fds);
  return open;
}

// While the preview shows a batch, none of its files is held open: the
// user may take as long as they like, and the batch opens each file anew.
// Without the preview the batch holds them from planning to writing, and
// none is left open afterwards.
TEST(KeptOpen, NoFileIsHeldOpenWhileThePreviewShows) {
  const ReadsInFlight asOnAShare(16);
  TempDir dir;
  const std::string music = dir / "music";
  for (int i = 0; i < 20; ++i) WriteFile(music + "/" + std::to_string(i) + ".mp3", kAudio);
  test::RecordingReporter reporter;
  bool preview = true;
  std::vector<int> openWhileShown;
  SessionPorts ports;
  ports.reporter = &reporter;
  ports.previewOn = [&] { return preview; };
  ports.confirm = [&](const Plan&) {
    openWhileShown.push_back(OpenBelow(music));
    return true;
  };
  Session session(dir / "journal.sqlite", std::move(ports));
  for (const bool shown : {true, false}) {
    preview = shown;
    const BatchOutcome outcome = session.RunBatch(Operation::B, kLive, music, {}, {});
    ASSERT_TRUE(outcome.result);
    // The first batch appends each tag and writes it, the second writes.
    EXPECT_EQ(outcome.result->performed, shown ? 40 : 20);
    EXPECT_EQ(OpenBelow(music), 0);
  }
  EXPECT_EQ(openWhileShown, std::vector<int>{0});
  EXPECT_TRUE(reporter.messages.empty());
}

}  // namespace
}  // namespace sonavex
