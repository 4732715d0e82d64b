#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "core/apply/executor.h"
#include "core/apply/tag_on_read.h"
#include "core/batch/planner.h"
#include "core/batch/registry.h"
#include "core/fs/fs.h"
#include "core/mp3/id3v1.h"
#include "core/text/encoding.h"
#include "support/fault_fs.h"
#include "support/recording_reporter.h"
#include "support/test_support.h"

namespace sonavex {
namespace {

using test::TempDir;
using Names = std::vector<std::string>;

TEST(Operations, EveryCodeHasOneRowWithARule) {
  const char letters[] = {'R', 'L', 'E', 'X', 'Y', 'G', 'K', 'S', 'T', 'N',
                          'I', 'W', 'A', 'B', 'Z', 'V', 'Q'};
  ASSERT_EQ(Operations().size(), std::size(letters));
  for (const char letter : letters) {
    const OperationInfo* info = FindOperation(letter);
    ASSERT_NE(info, nullptr) << letter;
    EXPECT_EQ(static_cast<char>(info->code), letter);
    EXPECT_EQ(&InfoOf(info->code), info) << letter;
    // Exactly one rule: a new name or new tag fields; a content operation
    // and the tag syncs bring their own.
    if (info->family != OperationFamily::Content && info->family != OperationFamily::Sync) {
      EXPECT_NE(info->rule == nullptr, info->tagRule == nullptr) << letter;
    }
    EXPECT_LT(info->paramsIndex, std::variant_size_v<OperationParams>) << letter;
  }
  EXPECT_EQ(FindOperation('C'), nullptr);
  EXPECT_FALSE(InfoOf(Operation::E).appliesTable);
  EXPECT_EQ(DescribeParams(SearchReplaceParams{U"ä", U" -- "}), "search=ä\treplacement= -- ");
  EXPECT_EQ(DescribeParams(NoParams{}), "");
  EXPECT_EQ(DescribeParams(TagFromNameParams{{true, 1, U""}, {}, {true, -1, U"Best of"}}),
            "title=1\tartist=-\talbum==Best of");
  EXPECT_EQ(DescribeParams(TagFromNameParams{{true, kNoTagSource, U""}, {}, {}}),
            "title=-\tartist=-\talbum=-");
  EXPECT_EQ(DescribeParams(TagReplaceParams{{}, {U"a", U""}, {U"", U"x"}}),
            "artist.search=a\tartist.replacement=");
  EXPECT_TRUE(InfoOf(Operation::W).ignoresMarks && InfoOf(Operation::W).needsMp3);
  EXPECT_FALSE(InfoOf(Operation::I).ignoresMarks);
}

// Each file holds its own name, so a test sees which file ended where.
void Make(const TempDir& dir, const Names& files) {
  for (const std::string& file : files) test::WriteFile(dir / file, file);
}

// "name=content" for every file of the directory, sorted by name.
Names Contents(const TempDir& dir) {
  std::error_code ec;
  Names out;
  for (const std::string& name : ListFiles(dir.path(), U"*", ec)) {
    out.push_back(name + "=" + test::ReadFile(dir / name));
  }
  std::sort(out.begin(), out.end());
  return out;
}

// "old>new" per rename, with " !" when a failure is foreseen; "refuse" for
// a refusal; "walk" for a walk failure.
Names Summary(const Plan& plan) {
  Names out;
  for (const PlanStep& step : plan.steps) {
    if (Kind(step) == StepKind::Refuse) out.push_back("refuse");
    else if (Kind(step) == StepKind::WalkFailure) out.push_back("walk");
    else out.push_back(step.name + ">" + As<steps::Rename>(step).newName +
                       (step.foreseen.empty() ? "" : " !"));
  }
  return out;
}

TEST(PlanAndApply, PlanForeseesWhatTheSequentialRunDoes) {
  struct Row {
    const char* what;
    Names files;
    Operation code;
    OperationParams params;
    Names marks;
    Names plan;
    Names after;  // name=original name
  };
  const Row rows[] = {
      {"chain in list order: a->b collides, b->c goes",
       {"aab.mp3", "ab.mp3"}, Operation::L, DeleteEndsParams{1, 0}, {},
       {"aab.mp3>ab.mp3 !", "ab.mp3>b.mp3"},
       {"aab.mp3=aab.mp3", "b.mp3=ab.mp3"}},
      {"a rename foreseen to fail frees no name",
       {"aab.mp3", "ab.mp3", "xaab.mp3"}, Operation::L, DeleteEndsParams{1, 0}, {},
       {"aab.mp3>ab.mp3 !", "ab.mp3>b.mp3", "xaab.mp3>aab.mp3 !"},
       {"aab.mp3=aab.mp3", "b.mp3=ab.mp3", "xaab.mp3=xaab.mp3"}},
      {"chain the other way round: the freed name is free",
       {"aab.mp3", "ab.mp3"}, Operation::L, DeleteEndsParams{1, 0}, {"ab.mp3", "aab.mp3"},
       {"ab.mp3>b.mp3", "aab.mp3>ab.mp3"},
       {"ab.mp3=aab.mp3", "b.mp3=ab.mp3"}},
      {"two files aimed at one name",
       {"SONG.mp3", "SOng.mp3"}, Operation::K, NoParams{}, {},
       {"SONG.mp3>Song.mp3", "SOng.mp3>Song.mp3 !"},
       {"SOng.mp3=SOng.mp3", "Song.mp3=SONG.mp3"}},
      {"case-only rename",
       {"song.mp3"}, Operation::G, NoParams{}, {},
       {"song.mp3>Song.mp3"},
       {"Song.mp3=song.mp3"}},
      {"case-only rename onto an existing spelling",
       {"song.mp3", "Song.mp3"}, Operation::G, NoParams{}, {"song.mp3"},
       {"song.mp3>Song.mp3 !"},
       {"Song.mp3=Song.mp3", "song.mp3=song.mp3"}},
      {"onto an existing file that the batch leaves alone",
       {"a.mp3", "b.mp3"}, Operation::X, SearchReplaceParams{U"a", U"b"}, {},
       {"a.mp3>b.mp3 !"},
       {"a.mp3=a.mp3", "b.mp3=b.mp3"}},
      {"an equal name is no step", {"ab.mp3"}, Operation::R, NoParams{}, {}, {},
       {"ab.mp3=ab.mp3"}},
      {"a name that would leave the folder",
       {"a b.mp3"}, Operation::X, SearchReplaceParams{U" ", U"/"}, {},
       {"a b.mp3>a/b.mp3 !"},
       {"a b.mp3=a b.mp3"}},
      {"a refusal is a step of its own",
       {"1 - 2.mp3", "A - B - C.mp3"}, Operation::T, SwapParams{1, 3}, {},
       {"refuse", "A - B - C.mp3>C - B - A.mp3"},
       {"1 - 2.mp3=1 - 2.mp3", "C - B - A.mp3=A - B - C.mp3"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TempDir dir;
    Make(dir, row.files);
    BatchContext context;
    const Plan plan = PlanSelection(row.code, row.params, dir.path(), row.marks, context);
    EXPECT_EQ(Summary(plan), row.plan);
    EXPECT_EQ(Contents(dir), [&] {
      Names before;
      for (const std::string& f : row.files) before.push_back(f + "=" + f);
      std::sort(before.begin(), before.end());
      return before;
    }()) << "planning touched a file";

    test::RecordingReporter reporter;
    ApplyPlan(plan, {.reporter = &reporter});
    EXPECT_EQ(Contents(dir), row.after);
    // What the plan foresaw (and the refusals) is exactly what the run said.
    std::vector<std::u32string> foreseen, reported;
    for (const PlanStep& step : plan.steps) {
      if (const StepMessage* message = MessageOf(step)) foreseen.push_back(message->text);
      if (!step.foreseen.empty()) foreseen.push_back(step.foreseen);
    }
    for (const auto& message : reporter.messages) reported.push_back(message.text);
    EXPECT_EQ(reported, foreseen);
  }
}

TEST(PlanAndApply, ForeseenCollisionHasTheRenameMessage) {
  TempDir dir;
  Make(dir, {"a.mp3", "b.mp3"});
  const Plan plan = PlanSelection(Operation::X, SearchReplaceParams{U"a", U"b"}, dir.path(),
                                  {}, BatchContext{});
  ASSERT_EQ(plan.steps.size(), 1u);
  EXPECT_EQ(plan.steps[0].foreseen,
            U32(dir / "a.mp3") + U"\n\r\n\rEs existiert bereits eine Datei unter dem neuen Namen!");
  EXPECT_EQ(plan.kind, PlanKindOf(Operation::X));
  EXPECT_EQ(plan.parameters, "search=a\treplacement=b");
  EXPECT_EQ(CountSteps(plan).foreseenFailures, 1);
}

TEST(PlanAndApply, WalkFailureEndsThePlanWithItsMessage) {
  TempDir dir;
  const std::string gone = dir / "gone";
  const Plan plan = PlanSelection(Operation::G, NoParams{}, gone, {}, BatchContext{});
  EXPECT_EQ(Summary(plan), (Names{"walk"}));
  test::RecordingReporter reporter;
  const ApplyResult result = ApplyPlan(plan, {.reporter = &reporter});
  ASSERT_EQ(reporter.messages.size(), 1u);
  EXPECT_EQ(reporter.messages[0].kind, MessageKind::Error);
  EXPECT_EQ(reporter.messages[0].text,
            U"Verzeichnis (" + U32(gone) + U") nicht gefunden!\rProgrammabbruch!");
  EXPECT_EQ(result.failed, 1);
}

std::string TaggedFile(const std::string& title) {
  std::string tag = EmptyTag();
  tag.replace(3, title.size(), title);
  return std::string(200, 'a') + tag;
}

const std::u32string kChanged = U"\n\r\n\rDatei wurde seither verändert";

// Each step is planned against the file as it was, then the file changes
// (or not) before the plan is applied.
TEST(PlanAndApply, StepsAreCheckedAgainstTheFileAsItIsThen) {
  struct Row {
    const char* what;
    std::string content;
    PlanStep step;
    std::string changedTo;  // empty: the file stays as planned
    std::string expected;
    bool warned;
  };
  const std::string tagged = TaggedFile("Old");
  const std::string written = TaggedFile("New");
  const std::string bare(200, 'a');
  const std::string long_(200000, 'l');
  const std::string longChanged = long_.substr(0, long_.size() - 1) + "L";
  const Row rows[] = {
      {"tag write", tagged,
       {.change = steps::TagWrite{tagged.substr(200), written.substr(200)}},
       "", written, false},
      {"tag changed since", tagged,
       {.change = steps::TagWrite{tagged.substr(200), written.substr(200)}},
       TaggedFile("Other"), TaggedFile("Other"), true},
      {"tag append", bare, {.change = steps::TagAppend{200}}, "",
       bare + EmptyTag(), false},
      {"tag append, file grew", bare, {.change = steps::TagAppend{200}},
       bare + "b", bare + "b", true},
      {"tag remove", bare + EmptyTag(), {.change = steps::TagRemove{200}}, "",
       bare, false},
      {"tag remove, tag filled since", bare + EmptyTag(),
       {.change = steps::TagRemove{200}}, tagged, tagged, true},
      {"content", "old", {.change = steps::ContentReplace{.before = "old", .after = "new"}},
       "", "new", false},
      {"content changed since", "old",
       {.change = steps::ContentReplace{.before = "old", .after = "new"}}, "odd", "odd", true},
      {"content grew since", "old",
       {.change = steps::ContentReplace{.before = "old", .after = "new"}}, "old!", "old!",
       true},
      {"content of many blocks", long_,
       {.change = steps::ContentReplace{.before = long_, .after = "new"}}, "", "new", false},
      {"content of many blocks, last byte changed since", long_,
       {.change = steps::ContentReplace{.before = long_, .after = "new"}}, longChanged,
       longChanged, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TempDir dir;
    test::WriteFile(dir / "f.mp3", row.content);
    if (!row.changedTo.empty()) test::WriteFile(dir / "f.mp3", row.changedTo);
    Plan plan;
    plan.steps.push_back(row.step);
    plan.steps[0].directory = dir.path();
    plan.steps[0].name = "f.mp3";
    test::RecordingReporter reporter;
    const ApplyResult result = ApplyPlan(plan, {.reporter = &reporter});
    EXPECT_EQ(test::ReadFile(dir / "f.mp3"), row.expected);
    EXPECT_EQ(result.performed, row.warned ? 0 : 1);
    if (row.warned) {
      ASSERT_EQ(reporter.messages.size(), 1u);
      EXPECT_EQ(reporter.messages[0].text, U32(dir / "f.mp3") + kChanged);
    } else {
      EXPECT_TRUE(reporter.messages.empty());
    }
  }
}

// An undo step for content too large to have been kept leaves the file
// alone, also when the file happens to match what the step expects.
TEST(PlanAndApply, StepThatCannotBeTakenBackIsReportedAndSkipped) {
  TempDir dir;
  test::WriteFile(dir / "f.m3u", "");
  Plan plan;
  plan.steps.push_back({.directory = dir.path(),
                        .name = "f.m3u",
                        .change = steps::ContentReplace{.contentKept = false}});
  test::RecordingReporter reporter;
  const ApplyResult result = ApplyPlan(plan, {.reporter = &reporter});
  EXPECT_EQ(result.performed, 0);
  ASSERT_EQ(reporter.messages.size(), 1u);
  EXPECT_EQ(reporter.messages[0].text,
            U32(dir / "f.m3u") +
                U"\n\r\n\rKann nicht rückgängig gemacht werden: der alte Inhalt wurde "
                U"nicht aufbewahrt");
}

TEST(PlanAndApply, TagFieldOfAnUntaggedFileGoesIntoAnAppendedTag) {
  TempDir dir;
  test::WriteFile(dir / "a.mp3", std::string(10, 'x'));
  std::error_code ec;
  const Plan plan = PlanTagField(dir.path(), "a.mp3", TagField::Interpret, U"Mey", ec);
  ASSERT_FALSE(ec);
  ASSERT_EQ(plan.steps.size(), 2u);
  ASSERT_EQ(Kind(plan.steps[0]), StepKind::TagAppend);
  EXPECT_EQ(As<steps::TagAppend>(plan.steps[0]).sizeBefore, 10);
  test::RecordingReporter reporter;
  ApplyPlan(plan, {.reporter = &reporter});
  std::string expected = std::string(10, 'x') + EmptyTag();
  expected.replace(10 + 33, 3, "Mey");
  EXPECT_EQ(test::ReadFile(dir / "a.mp3"), expected);
  EXPECT_TRUE(reporter.messages.empty());

  // A file that vanishes between plan and apply is reported once, with the
  // message of the write.
  const Plan again = PlanTagField(dir.path(), "a.mp3", TagField::Titel, U"T", ec);
  std::filesystem::remove(dir / "a.mp3");
  ApplyPlan(again, {.reporter = &reporter});
  ASSERT_EQ(reporter.messages.size(), 1u);
  EXPECT_TRUE(reporter.messages[0].text.starts_with(U32(dir / "a.mp3") + U"\n\r\n\rFehler 2:"));
}

TEST(PlanAndApply, JournalHoldsThePerformedSteps) {
  TempDir dir;
  Make(dir, {"a - 1.mp3", "b - 2.mp3", "b -- 2.mp3"});
  std::error_code ec;
  const std::unique_ptr<Journal> journal = Journal::Open(dir / "j/journal.sqlite", 1000, ec);
  ASSERT_FALSE(ec);
  const Plan plan = PlanSelection(Operation::X, SearchReplaceParams{U" - ", U" -- "},
                                  dir.path(), {}, BatchContext{});
  test::RecordingReporter reporter;
  ExecutorContext context{.reporter = &reporter, .journal = journal.get(),
                          .now = [] { return std::int64_t{1234}; }};
  const ApplyResult result = ApplyPlan(plan, context);
  EXPECT_EQ(result.performed, 1);
  EXPECT_EQ(result.failed, 1);
  ASSERT_NE(result.batch, 0);

  const std::vector<BatchSummary> batches = journal->ListBatches(ec);
  ASSERT_EQ(batches.size(), 1u);
  EXPECT_EQ(batches[0].header.time, 1234);
  EXPECT_EQ(batches[0].header.operation, 'X');
  EXPECT_EQ(batches[0].header.caption, "Suchen und Ersetzen: Dateiname");
  EXPECT_EQ(batches[0].header.parameters, "search= - \treplacement= -- ");
  EXPECT_EQ(batches[0].header.directory, dir.path());
  EXPECT_EQ(batches[0].doneActions, 1);
  EXPECT_TRUE(batches[0].ended);
  const std::vector<JournalAction> actions = journal->ActionsOf(result.batch, ec);
  ASSERT_EQ(actions.size(), 2u);
  EXPECT_EQ(actions[0].oldName, "a - 1.mp3");
  EXPECT_EQ(actions[0].newName, "a -- 1.mp3");
  EXPECT_EQ(actions[0].state, ActionState::Done);
  EXPECT_EQ(actions[1].oldName, "b - 2.mp3");
  EXPECT_EQ(actions[1].state, ActionState::Failed);
  EXPECT_EQ(DecodeUtf8(actions[1].failure), reporter.messages.at(0).text);

  // A plan that takes that batch back marks it undone.
  Plan back = PlanRename(dir.path(), "a -- 1.mp3", "a - 1.mp3");
  back.undoes = result.batch;
  const ApplyResult undone = ApplyPlan(back, context);
  EXPECT_EQ(journal->ListBatches(ec).at(1).undoneBy, undone.batch);
}

TEST(PlanAndApply, BatchWithNothingPerformedLeavesNoJournalEntry) {
  TempDir dir;
  Make(dir, {"a.mp3", "b.mp3"});
  std::error_code ec;
  const std::unique_ptr<Journal> journal = Journal::Open(dir / "journal.sqlite", 1000, ec);
  const Plan plan = PlanRename(dir.path(), "a.mp3", "b.mp3");
  test::RecordingReporter reporter;
  EXPECT_EQ(ApplyPlan(plan, {.reporter = &reporter, .journal = journal.get()}).batch, 0);
  EXPECT_TRUE(journal->ListBatches(ec).empty());
  EXPECT_TRUE(PlanRename(dir.path(), "a.mp3", "a.mp3").steps.empty());
}

// A tag that cannot be appended, in a batch or as a file is read, names
// its file by the full path, also where a failed rename names the file
// alone.
TEST(PlanAndApply, FailedTagAppendNamesTheFullPath) {
  TempDir dir;
  const std::string path = dir / "a.mp3";
  test::WriteFile(path, std::string(200, 'a'));
  const std::u32string expected =
      DecodeUtf8(path) + U"\n\r\n\rDatei ist schreibgeschützt, Zugriff verweigert!";
  Plan plan;
  plan.steps = {{dir.path(), "a.mp3", steps::TagAppend{200}}};
  test::RecordingReporter reporter;
  {
    test::FaultFs fs;
    fs.FailNth(1, test::Fault::Access, test::Call::Write);
    EXPECT_EQ(ApplyPlan(plan, {.reporter = &reporter}).failed, 1);
  }
  {
    test::FaultFs fs;
    fs.FailNth(1, test::Fault::Access, test::Call::Write);
    TagOnRead tags({.reporter = &reporter});
    EXPECT_FALSE(tags.Appender()(path, 200));
  }
  ASSERT_EQ(reporter.messages.size(), 2u);
  EXPECT_EQ(reporter.messages[0].text, expected);
  EXPECT_EQ(reporter.messages[1].text, expected);
  EXPECT_EQ(test::ReadFile(path), std::string(200, 'a'));
}

}  // namespace
}  // namespace sonavex
