// Several steps in flight: the order the steps keep, and a batch that gives
// the same files, journal and messages with one step at a time and with
// sixteen, on a local disk and on a FAT volume; a batch stopped part way.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <set>

#include "core/apply/executor.h"
#include "core/apply/in_flight.h"
#include "core/apply/undo.h"
#include "core/fs/fs.h"
#include "core/journal/journal.h"
#include "core/mp3/id3v1.h"
#include "core/text/encoding.h"
#include "support/fuse_mount.h"
#include "support/recording_reporter.h"
#include "support/test_support.h"

namespace sonavex {
namespace {

using test::TempDir;
using Names = std::vector<std::string>;
using Waits = std::vector<std::vector<std::size_t>>;

constexpr std::int64_t kNow = 1'700'000'000;

PlanStep Step(const std::string& dir, const std::string& name, StepChange change) {
  PlanStep step;
  step.directory = dir;
  step.name = name;
  step.change = std::move(change);
  return step;
}

PlanStep Rename(const std::string& dir, const std::string& from, const std::string& to) {
  return Step(dir, from, steps::Rename{to});
}

Waits WaitsOf(const std::vector<PlanStep>& steps) {
  std::vector<StepTouch> touches;
  for (const PlanStep& step : steps) touches.push_back(TouchOf(step));
  return StepWaits(touches);
}

TEST(StepOrder, StepsThatMeetKeepTheirOrderAndTheOthersRunSideBySide) {
  steps::ContentReplace lines;
  lines.renamedFiles = {{"/m/b.mp3", "/m/B.mp3"}};
  const PlanStep playlist = Step("/m", "list.m3u", lines);
  const struct {
    const char* what;
    std::vector<PlanStep> steps;
    Waits waits;
  } cases[] = {
      {"renames in one folder one after the other, other files beside them",
       {Rename("/m", "a.mp3", "x.mp3"), Rename("/m", "b.mp3", "y.mp3"),
        Step("/m", "c.mp3", steps::TagWrite{}), Step("/m", "d.mp3", steps::TagWrite{})},
       {{}, {0}, {}, {}}},
      {"a chain: each new name is the old name of the step before",
       {Rename("/m", "c", "d"), Rename("/m", "b", "c"), Rename("/m", "a", "b")},
       {{}, {0}, {1}}},
      {"a swap through a temporary name",
       {Rename("/m", "p", "~t"), Rename("/m", "q", "p"), Rename("/m", "~t", "q")},
       {{}, {0}, {1, 0}}},
      {"names that differ in letter case only are one file",
       {Rename("/m", "a.mp3", "A.mp3"), Step("/m", "A.MP3", steps::TagAppend{}),
        Step("/M", "ä.mp3", steps::TagWrite{}), Step("/m", "Ä.MP3", steps::TagWrite{})},
       {{}, {0}, {}, {2}}},
      {"the same name in another folder is another file",
       {Rename("/m/1", "a", "b"), Rename("/m/2", "b", "a")},
       {{}, {}}},
      {"a tag append, then the tag written",
       {Step("/m", "a.mp3", steps::TagAppend{}), Step("/m", "a.mp3", steps::TagWrite{})},
       {{}, {0}}},
      {"a playlist waits for the renames it names",
       {Rename("/m", "b.mp3", "B.mp3"), Rename("/m/1", "c.mp3", "C.mp3"), playlist},
       {{}, {}, {0}}},
      {"an export runs alone; a message touches nothing",
       {Rename("/m", "a", "b"), Step("/m", "", steps::Export{}),
        Step("/m", "a", steps::Refuse{}), Step("/m", "c", steps::TagWrite{})},
       {{}, {}, {1}, {1}}},
  };
  for (const auto& c : cases) EXPECT_EQ(WaitsOf(c.steps), c.waits) << c.what;
}

std::string Tag(char title) {
  std::string tag = "TAG";
  tag += title;
  tag.resize(kTagSize, '\0');
  return tag;
}

// The files of the batch below, each holding its own name.
const Names kFiles = {"a.mp3", "b.mp3", "c.mp3", "x.mp3", "y.mp3", "p.mp3", "q.mp3",
                      "tagged.mp3", "untagged.mp3", "changed.mp3", "e.mp3"};

void MakeFiles(const std::string& dir) {
  for (const std::string& name : kFiles) {
    test::WriteFile(dir + "/" + name, name == "tagged.mp3" ? name + EmptyTag() : name);
  }
  for (int i = 0; i < 24; ++i) test::WriteFile(dir + "/n" + std::to_string(i) + ".mp3", "n");
}

// Renames whose order matters, a tag batch over tagged and untagged files
// (one changed since it was planned), letter-case changes and a refusal.
Plan Batch(const std::string& dir) {
  Plan plan;
  plan.kind = PlanKindOf(Operation::X);
  plan.caption = U"Ersetzen";
  plan.directory = dir;
  std::vector<PlanStep>& s = plan.steps;
  s = {Rename(dir, "c.mp3", "d.mp3"), Rename(dir, "b.mp3", "c.mp3"), Rename(dir, "a.mp3", "b.mp3"),
       // y is still there when x would take its name: x stays.
       Rename(dir, "x.mp3", "y.mp3"), Rename(dir, "y.mp3", "z.mp3"),
       Rename(dir, "p.mp3", "~swap"), Rename(dir, "q.mp3", "p.mp3"),
       Rename(dir, "~swap", "q.mp3")};
  PlanStep write = Step(dir, "tagged.mp3", steps::TagWrite{EmptyTag(), Tag('t')});
  s.push_back(write);
  for (const char* name : {"untagged.mp3", "changed.mp3"}) {
    PlanStep append = Step(dir, name, steps::TagAppend{name[0] == 'u' ? 12 : 5});
    // "changed.mp3" grew since the plan was made: its append is refused
    // and its tag write skipped without a message of its own.
    s.push_back(append);
    write.name = name;
    s.push_back(write);
  }
  PlanStep refusal = Step(dir, "e.mp3", steps::Refuse{{MessageKind::Warning, U"e.mp3 bleibt"}});
  s.push_back(refusal);
  for (int i = 0; i < 24; ++i) {
    const std::string name = "n" + std::to_string(i) + ".mp3";
    s.push_back(Rename(dir, name, "N" + name.substr(1)));
  }
  s.push_back(Rename(dir, "N3.mp3", "N4.mp3"));  // taken: refused by the file system
  return plan;
}

// What a run leaves, with the folder written as "<dir>".
struct Left {
  Names files;
  std::vector<std::string> messages;
  std::vector<std::string> journal;
  int performed = 0;
  int failed = 0;
};

std::string Relative(std::string text, const std::string& dir) {
  for (std::size_t at; (at = text.find(dir)) != std::string::npos;) text.replace(at, dir.size(), "<dir>");
  return text;
}

Names Listing(const std::string& dir) {
  std::error_code ec;
  Names files;
  for (const std::string& name : ListNames(dir, ec)) {
    files.push_back(name + "=" + test::ReadFile(dir + "/" + name));
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::vector<std::string> JournalLines(Journal& journal, std::int64_t batch,
                                      const std::string& dir) {
  std::error_code ec;
  std::vector<std::string> lines;
  for (const JournalAction& a : journal.ActionsOf(batch, ec)) {
    lines.push_back(Relative(std::to_string(static_cast<int>(a.kind)) + " " + a.oldName + ">" +
                                 a.newName + " " + a.path + " " +
                                 std::to_string(static_cast<int>(a.state)) + " " + a.failure,
                             dir));
  }
  EXPECT_FALSE(ec) << ec.message();
  return lines;
}

Left RunBatch(const std::string& dir, const std::string& journalPath, int inFlight) {
  std::error_code ec;
  const std::unique_ptr<Journal> journal = Journal::Open(journalPath, kNow, ec);
  EXPECT_FALSE(ec) << ec.message();
  test::RecordingReporter reporter;
  ExecutorContext context;
  context.reporter = &reporter;
  context.journal = journal.get();
  context.now = [] { return kNow; };
  context.inFlight = inFlight;
  const ApplyResult result = ApplyPlan(Batch(dir), context);
  Left left{Listing(dir), {}, JournalLines(*journal, result.batch, dir), result.performed,
            result.failed};
  for (const auto& message : reporter.messages) {
    left.messages.push_back(Relative(EncodeUtf8(message.text), dir));
  }
  return left;
}

bool Has(const Left& left, const std::string& file) {
  return std::count(left.files.begin(), left.files.end(), file) == 1;
}

// The batch with one step at a time and with sixteen, each on a fresh copy
// of the files in its own folder below `root`: what one step at a time
// leaves.
Left ExpectSameWithOneAndSixteen(const std::string& root, const TempDir& local) {
  std::map<int, Left> runs;
  for (const int inFlight : {1, 16}) {
    const std::string dir = root + "/run" + std::to_string(inFlight);
    EXPECT_EQ(mkdir(dir.c_str(), 0755), 0) << dir;
    MakeFiles(dir);
    runs[inFlight] = RunBatch(dir, local / ("journal" + std::to_string(inFlight)), inFlight);
  }
  const Left& one = runs[1];
  const Left& sixteen = runs[16];
  EXPECT_EQ(sixteen.files, one.files);
  EXPECT_EQ(sixteen.messages, one.messages);
  EXPECT_EQ(sixteen.journal, one.journal);
  EXPECT_EQ(sixteen.performed, one.performed);
  EXPECT_EQ(sixteen.failed, one.failed);
  // What the renames mean.
  EXPECT_TRUE(Has(one, "b.mp3=a.mp3") && Has(one, "c.mp3=b.mp3") && Has(one, "d.mp3=c.mp3"));
  EXPECT_TRUE(Has(one, "x.mp3=x.mp3") && Has(one, "z.mp3=y.mp3"));
  EXPECT_TRUE(Has(one, "p.mp3=q.mp3") && Has(one, "q.mp3=p.mp3"));
  EXPECT_TRUE(Has(one, "N0.mp3=n") && Has(one, "N3.mp3=n") && Has(one, "N23.mp3=n"));
  return one;
}

TEST(InFlight, SameFilesJournalAndMessagesWithOneAndSixteenSteps) {
  TempDir dir;
  const Left one = ExpectSameWithOneAndSixteen(dir.path(), dir);
  EXPECT_TRUE(Has(one, "tagged.mp3=tagged.mp3" + Tag('t')) &&
              Has(one, "untagged.mp3=untagged.mp3" + Tag('t')) &&
              Has(one, "changed.mp3=changed.mp3"));
  EXPECT_EQ(one.messages.size(), 4u);  // x.mp3, changed.mp3, the refusal, N3 -> N4
  EXPECT_EQ(one.failed, 5);            // x.mp3, both of changed.mp3, the refusal, N3
}

// The FAT driver under FUSE takes no tag writes of its own; the renames and
// the messages agree all the same.
TEST(InFlight, SameOnAFatVolumeWhereLetterCaseChangesPassATemporaryName) {
  TempDir local;
  std::string why;
  const auto fat = test::FuseMount::Create(test::FuseKind::Fat, why);
  if (!fat) GTEST_SKIP() << "FAT: " << why;
  ExpectSameWithOneAndSixteen(fat->path(), local);
}

// A batch stopped after forty of its steps: the steps in flight finish and
// no further one begins; the journal holds exactly the steps that ran, and
// undo takes back exactly the files that were changed.
TEST(InFlight, AStoppedBatchKeepsWhatRanAndUndoTakesExactlyThatBack) {
  TempDir dir;
  const std::string music = dir / "music";
  ASSERT_EQ(mkdir(music.c_str(), 0755), 0);
  Plan plan;
  plan.kind = PlanKindOf(Operation::B);
  plan.caption = U"Tag";
  plan.directory = music;
  for (int i = 0; i < 200; ++i) {
    const std::string name = "s" + std::to_string(i) + ".mp3";
    test::WriteFile(music + "/" + name, "sound");
    PlanStep append = Step(music, name, steps::TagAppend{5});
    PlanStep write = Step(music, name, steps::TagWrite{EmptyTag(), Tag('s')});
    plan.steps.push_back(append);
    plan.steps.push_back(write);
  }
  const Names before = Listing(music);
  std::error_code ec;
  const std::unique_ptr<Journal> journal = Journal::Open(dir / "journal", kNow, ec);
  ASSERT_FALSE(ec) << ec.message();
  test::RecordingReporter reporter;
  ExecutorContext context;
  context.reporter = &reporter;
  context.journal = journal.get();
  context.inFlight = 16;
  int settled = 0;
  context.progress = [&](int done, int total) {
    EXPECT_EQ(done, settled + 1);
    EXPECT_EQ(total, 400);
    settled = done;
  };
  context.stopRequested = [&] { return settled >= 40; };
  const ApplyResult result = ApplyPlan(plan, context);

  EXPECT_TRUE(result.stopped);
  EXPECT_GE(result.performed, 40);
  EXPECT_LT(result.performed, 200);
  EXPECT_EQ(result.performed, settled);
  int changed = 0;
  for (const std::string& file : Listing(music)) changed += file.size() > 20 ? 1 : 0;
  const std::vector<JournalAction> actions = journal->ActionsOf(result.batch, ec);
  EXPECT_EQ(actions.size(), static_cast<std::size_t>(result.performed));
  std::set<std::string> files;
  for (const JournalAction& action : actions) {
    EXPECT_EQ(action.state, ActionState::Done);
    files.insert(action.path);
  }
  EXPECT_EQ(changed, static_cast<int>(files.size()));

  const Plan undo = PlanUndo(*journal, result.batch, ec);
  ASSERT_FALSE(ec) << ec.message();
  ExecutorContext again;
  again.reporter = &reporter;
  again.journal = journal.get();
  again.inFlight = 16;
  EXPECT_EQ(ApplyPlan(undo, again).performed, result.performed);
  EXPECT_EQ(Listing(music), before);
  EXPECT_TRUE(reporter.messages.empty());
}

}  // namespace
}  // namespace sonavex
