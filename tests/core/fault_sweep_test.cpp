// Every writer run with each of its file calls failing in turn: each file
// ends up byte for byte as before or completely as intended, nothing is
// left behind, the failure is reported, and the journal tells which files
// changed.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/apply/executor.h"
#include "core/apply/undo.h"
#include "core/batch/planner.h"
#include "core/fs/fs.h"
#include "core/fs/fs_write.h"
#include "core/journal/journal.h"
#include "core/mp3/id3v1.h"
#include "core/ops/export.h"
#include "core/settings/ini_file.h"
#include "core/text/encoding.h"
#include "support/fault_fs.h"
#include "support/fault_vfs.h"
#include "support/id3v2_fixtures.h"
#include "support/mp3_fixtures.h"
#include "support/recording_reporter.h"
#include "support/test_support.h"

namespace sonavex {
namespace {

using test::Call;
using test::Fault;
using test::FaultFs;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

constexpr std::int64_t kNow = 1'700'000'000;
using test::kAudio;

std::string Tag(std::string_view titel) {
  std::string field(titel);
  field.resize(30, '\0');
  return "TAG" + field + std::string(30, '\0') + std::string(30, '\0') + "1999" +
         std::string(30, '\0') + "\x11";
}

// Name -> content of every entry of a flat directory, with a line giving
// its permission bits after it.
using Snapshot = std::map<std::string, std::string>;

Snapshot Take(const std::string& directory) {
  Snapshot out;
  DIR* dir = opendir(directory.c_str());
  if (dir == nullptr) return out;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    const std::string path = JoinPath(directory, name);
    struct stat st{};
    stat(path.c_str(), &st);
    out[name] = ReadFile(path) + "\nmode " + std::to_string(st.st_mode & 07777);
  }
  closedir(dir);
  return out;
}

std::optional<std::string> Entry(const Snapshot& snapshot, const std::string& name) {
  const auto it = snapshot.find(name);
  return it == snapshot.end() ? std::nullopt : std::optional(it->second);
}

// What one run of a writer told its caller: the texts the user was shown,
// or the error a function handed back.
struct Told {
  std::vector<std::u32string> messages;
};

struct Writer {
  const char* name;
  // Makes the files the writer works on in `dir`.
  std::function<void(const std::string& dir)> setup;
  // Runs it; `journal` is null for a writer that keeps none.
  std::function<Told(const std::string& dir, Journal* journal)> run;
  bool journaled = false;
  // A file content that is whole although it is neither the old nor the
  // intended one (say a list without the line of a file that could not be
  // read).
  std::function<bool(const std::string& name, const std::string& content)> alsoWhole{};
  // The file system refuses the no-replace rename, as FAT through FUSE does.
  bool withoutNoReplace = false;
};

// The newest batch of the journal at `journalPath`, 0 when there is none.
std::int64_t NewestBatch(const std::string& journalPath) {
  std::error_code ec;
  std::unique_ptr<Journal> journal = Journal::Open(journalPath, kNow, ec);
  if (journal == nullptr) return 0;
  const std::vector<BatchSummary> batches = journal->ListBatches(ec);
  return batches.empty() ? 0 : batches.front().id;
}

// Each action of the batches after `since`: its file names (both for a
// rename) and whether the journal marks it Done.
std::vector<std::pair<std::vector<std::string>, bool>> JournalRecords(
    const std::string& journalPath, std::int64_t since = 0) {
  std::error_code ec;
  std::unique_ptr<Journal> journal = Journal::Open(journalPath, kNow, ec);
  EXPECT_FALSE(ec) << ec.message();
  std::vector<std::pair<std::vector<std::string>, bool>> records;
  if (journal == nullptr) return records;
  for (const BatchSummary& batch : journal->ListBatches(ec)) {
    if (batch.id <= since) continue;
    for (const JournalAction& action : journal->ActionsOf(batch.id, ec)) {
      std::vector<std::string> names = {action.oldName, action.newName};
      if (action.kind != ActionKind::Rename) {
        names = {action.path.substr(action.path.rfind('/') + 1)};
      }
      records.emplace_back(names, action.state == ActionState::Done);
    }
  }
  return records;
}

ExecutorContext Executor(test::RecordingReporter& reporter, Journal* journal) {
  ExecutorContext context;
  context.reporter = &reporter;
  context.journal = journal;
  context.now = [] { return kNow; };
  return context;
}

class Sweep {
 public:
  explicit Sweep(const Writer& writer) : writer_(writer) {}

  // A clean run: the state before and after, and how many calls it makes.
  void Measure() {
    Fresh();
    writer_.setup(Work());
    before_ = Take(Work());
    const Told told = Run(std::nullopt, 0);
    after_ = Take(Work());
    ASSERT_TRUE(told.messages.empty()) << EncodeUtf8(told.messages.front());
    ASSERT_NE(before_, after_);
  }

  void Check(Fault fault) {
    const int count = fault == Fault::ShortWrite || fault == Fault::ShortThenFull
                          ? writes_
                          : calls_;
    for (int n = 1; n <= count; ++n) {
      SCOPED_TRACE(std::string(writer_.name) + ", " + test::FaultName(fault) +
                   " at call " + std::to_string(n) + " of " + std::to_string(count));
      Fresh();
      writer_.setup(Work());
      const Told told = Run(fault, n);
      const Snapshot now = Take(Work());
      ExpectEachFileWhole(now);
      const bool complete = now == after_;
      EXPECT_EQ(told.messages.empty(), complete)
          << (told.messages.empty() ? "an incomplete change went unreported"
                                    : "a complete change was reported as failed: " +
                                          EncodeUtf8(told.messages.front()));
      if (writer_.journaled) ExpectJournalTells(now);
    }
  }

 private:
  // The same paths in every run, as some writers put them into files.
  std::string Work() const { return root_ / "work"; }
  std::string JournalPath() const { return root_ / "state/journal.sqlite"; }
  void Fresh() {
    std::filesystem::remove_all(root_.path());
    std::filesystem::create_directories(Work());
  }

  Told Run(std::optional<Fault> fault, int n) {
    std::error_code ec;
    std::unique_ptr<Journal> journal;
    if (writer_.journaled) {
      setupBatch_ = NewestBatch(JournalPath());
      journal = Journal::Open(JournalPath(), kNow, ec);
    }
    FaultFs fs;
    fs.SetNoReplaceUnsupported(writer_.withoutNoReplace);
    if (fault) fs.FailNth(n, *fault);
    Told told = writer_.run(Work(), journal.get());
    if (!fault) {
      calls_ = fs.Count();
      writes_ = fs.Count(Call::Write);
      if (writer_.withoutNoReplace) {
        EXPECT_GT(fs.Count(Call::Link), 0);
      }
    } else {
      EXPECT_TRUE(fs.fired());
    }
    return told;
  }

  // Each file as before, as intended, or in another whole state the writer
  // allows; nothing else in the folder.
  void ExpectEachFileWhole(const Snapshot& now) {
    std::set<std::string> names;
    for (const Snapshot* s : std::initializer_list<const Snapshot*>{&before_, &after_, &now}) {
      for (const auto& [name, content] : *s) names.insert(name);
    }
    for (const std::string& name : names) {
      const auto is = Entry(now, name);
      const bool allowed = is && writer_.alsoWhole && writer_.alsoWhole(name, *is);
      EXPECT_TRUE(is == Entry(before_, name) || is == Entry(after_, name) || allowed)
          << name
          << (Entry(before_, name) || Entry(after_, name) ? " is torn: " : " was left behind: ")
          << ::testing::PrintToString(is.value_or("(none)"));
    }
  }

  // A file whose actions are all Done is complete, one with none Done is as
  // before, and a file that changed has a Done action; then undo brings
  // back the state before.
  void ExpectJournalTells(const Snapshot& now) {
    std::map<std::string, std::pair<int, int>> doneOfAll;
    for (const auto& [names, isDone] : JournalRecords(JournalPath(), setupBatch_)) {
      for (const std::string& name : names) {
        if (name.empty()) continue;
        doneOfAll[name].first += isDone ? 1 : 0;
        ++doneOfAll[name].second;
      }
    }
    for (const auto& [name, counts] : doneOfAll) {
      const auto [done, all] = counts;
      if (done == all) {
        const auto is = Entry(now, name);
        const bool whole = is && writer_.alsoWhole && writer_.alsoWhole(name, *is);
        EXPECT_TRUE(is == Entry(after_, name) || whole) << name << " is not as done";
      } else if (done == 0) {
        EXPECT_EQ(Entry(now, name), Entry(before_, name)) << name << " is not as before";
      }
    }
    for (const auto& [name, content] : after_) {
      if (Entry(now, name) != Entry(before_, name)) {
        EXPECT_GT(doneOfAll[name].first, 0) << name << " changed without a Done record";
      }
    }
    ExpectUndoRestores();
  }

  void ExpectUndoRestores() {
    std::error_code ec;
    std::unique_ptr<Journal> journal = Journal::Open(JournalPath(), kNow, ec);
    ASSERT_FALSE(ec) << ec.message();
    const std::int64_t batch = NewestUndoableBatch(*journal, ec);
    if (batch <= setupBatch_) return;
    test::RecordingReporter reporter;
    ApplyPlan(PlanUndo(*journal, batch, ec), Executor(reporter, journal.get()));
    EXPECT_TRUE(reporter.messages.empty()) << EncodeUtf8(reporter.messages.front().text);
    EXPECT_EQ(Take(Work()), before_) << "undo did not bring the old state back";
  }

  const Writer& writer_;
  TempDir root_;
  Snapshot before_;
  Snapshot after_;
  int calls_ = 0;
  int writes_ = 0;
  // The journal's newest batch before the run (a writer's setup may have
  // made one).
  std::int64_t setupBatch_ = 0;
};

Told Reported(const test::RecordingReporter& reporter) {
  Told told;
  for (const auto& message : reporter.messages) told.messages.push_back(message.text);
  return told;
}

Told Returned(std::error_code ec) {
  Told told;
  if (ec) told.messages.push_back(DecodeUtf8(ec.message()));
  return told;
}

Told ApplySteps(const std::string& dir, Journal* journal, std::vector<PlanStep> steps) {
  Plan plan;
  plan.kind = PlanKind::RenameDialog;
  plan.directory = dir;
  for (PlanStep& step : steps) step.directory = dir;
  plan.steps = std::move(steps);
  test::RecordingReporter reporter;
  ApplyPlan(plan, Executor(reporter, journal));
  return Reported(reporter);
}

Told RunOperation(const std::string& dir, Journal* journal, Operation code,
                  const OperationParams& params, std::u32string mask = U"*.mp3",
                  bool id3v2Follows = false) {
  test::RecordingReporter reporter;
  BatchContext context;
  context.reporter = &reporter;
  context.mask = std::move(mask);
  context.id3v2FollowsTags = id3v2Follows;
  RunSelection(code, params, dir, {}, context, Executor(reporter, journal));
  return Reported(reporter);
}

// ID3v2 tags whose title "v2" has room to grow, and one without.
std::string RoomyId3v2() { return test::Tag(3, test::Frame(3, "TIT2", test::Text(0, "v2")), 200); }
std::string TightId3v2() { return test::Tag(3, test::Frame(3, "TIT2", test::Text(0, "v2"))); }

// Files for a batch of one step of each kind, and the batch: a rename, an
// appended tag, a tag write and a content replacement.
void WriteMixedFiles(const std::string& dir) {
  WriteFile(dir + "/a.mp3", kAudio);
  WriteFile(dir + "/c.mp3", kAudio);
  WriteFile(dir + "/t.mp3", kAudio + Tag("Alt"));
  WriteFile(dir + "/liste.m3u", "alt\n");
}

std::vector<PlanStep> MixedSteps() {
  steps::ContentReplace replace;
  replace.before = "alt\n";
  replace.after = "neu\n";
  return {{{}, "a.mp3", steps::Rename{"b.mp3"}},
          {{}, "c.mp3", steps::TagAppend{static_cast<std::int64_t>(kAudio.size())}},
          {{}, "t.mp3", steps::TagWrite{Tag("Alt"), Tag("Neu")}},
          {{}, "liste.m3u", replace}};
}

Told RenameAToB(const std::string& dir, Journal* journal) {
  return ApplySteps(dir, journal, {{{}, "a.mp3", steps::Rename{"b.mp3"}}});
}

// Undo of the mixed batch, which the setup applies with the journal beside
// `dir`.
void AppliedMixedBatch(const std::string& dir) {
  WriteMixedFiles(dir);
  std::error_code ec;
  std::unique_ptr<Journal> journal = Journal::Open(dir + "/../state/journal.sqlite", kNow, ec);
  ASSERT_NE(journal, nullptr) << ec.message();
  ASSERT_TRUE(ApplySteps(dir, journal.get(), MixedSteps()).messages.empty());
}

Told UndoNewest(const std::string&, Journal* journal) {
  std::error_code ec;
  const Plan plan = PlanUndo(*journal, NewestUndoableBatch(*journal, ec), ec);
  EXPECT_FALSE(ec) << ec.message();
  test::RecordingReporter reporter;
  ApplyPlan(plan, Executor(reporter, journal));
  return Reported(reporter);
}

// Files whose tags a batch with the ID3v2 tag following changed: its undo
// writes each ID3v2 tag back and then the ID3v1 tag, in place through one
// open, or through a new file where the tag had to grow.
void AppliedTagBatchWithId3v2(const std::string& dir) {
  WriteFile(JoinPath(dir, "a.mp3"), RoomyId3v2() + kAudio + Tag("Alt"));
  WriteFile(JoinPath(dir, "b.mp3"), TightId3v2() + kAudio + Tag("Alt"));
  std::error_code ec;
  std::unique_ptr<Journal> journal = Journal::Open(dir + "/../state/journal.sqlite", kNow, ec);
  ASSERT_NE(journal, nullptr) << ec.message();
  ASSERT_TRUE(RunOperation(dir, journal.get(), Operation::B,
                           TagInsertParams{{U"[", U"]"}, {}, {}}, U"*.mp3", true)
                  .messages.empty());
}

void WriteExportFiles(const std::string& dir) {
  WriteFile(JoinPath(dir, "a.mp3"), kAudio + Tag("Titel"));
  WriteFile(JoinPath(dir, "b.mp3"), kAudio);  // gets its tag on the way
}

Told ExportAll(const std::string& dir, Journal* journal) {
  test::RecordingReporter reporter;
  BatchContext context;
  context.reporter = &reporter;
  ExportParams params;
  params.columns[0] = params.columns[5] = true;
  ApplyPlan(PlanExport(JoinPath(dir, "Liste.csv"), dir, {}, context, params),
            Executor(reporter, journal));
  return Reported(reporter);
}

// A file that could not be read is reported, and the list goes on without
// its line.
bool ListWithoutALine(const std::string& name, const std::string& content) {
  return name == "Liste.csv" && content.starts_with("\n") &&
         std::count(content.begin(), content.end(), '\n') < 5;
}

const Writer kWriters[] = {
    {"rename",
     [](const std::string& dir) { WriteFile(JoinPath(dir, "a.mp3"), kAudio); },
     RenameAToB,
     true},
    {"rename by link and unlink",
     [](const std::string& dir) { WriteFile(JoinPath(dir, "a.mp3"), kAudio); },
     RenameAToB,
     true, {}, true},
    {"rename through a temporary name",
     [](const std::string& dir) { WriteFile(JoinPath(dir, "song.mp3"), kAudio); },
     [](const std::string& dir, Journal*) {
       std::string stranded;
       const std::error_code ec =
           RenameThroughTemporary(dir, "song.mp3", "Song.mp3", &stranded);
       return Returned(ec);
     }},
    {"tag append",
     [](const std::string& dir) { WriteFile(JoinPath(dir, "a.mp3"), kAudio); },
     [](const std::string& dir, Journal* journal) {
       return ApplySteps(
           dir, journal,
           {{{}, "a.mp3", steps::TagAppend{static_cast<std::int64_t>(kAudio.size())}}});
     },
     true},
    {"tag field write",
     [](const std::string& dir) {
       WriteFile(JoinPath(dir, "tagged.mp3"), kAudio + Tag("Alt"));
       WriteFile(JoinPath(dir, "untagged.mp3"), kAudio);
       chmod(JoinPath(dir, "untagged.mp3").c_str(), 0444);  // stays read-only
     },
     [](const std::string& dir, Journal* journal) {
       // Both fields as the grid writes them, in one batch: the executor is
       // the one writer of tags.
       Plan plan;
       plan.kind = PlanKind::GridEdit;
       plan.directory = dir;
       Told told;
       for (const auto& [name, field] : {std::pair{"tagged.mp3", TagField::Titel}, {"untagged.mp3", TagField::Album}}) {
         std::error_code ec;
         const Plan one = PlanTagField(dir, name, field, U"Neu", ec);
         if (ec) told.messages.push_back(DecodeUtf8(ec.message()));
         plan.steps.insert(plan.steps.end(), one.steps.begin(), one.steps.end());
       }
       test::RecordingReporter reporter;
       ApplyPlan(plan, Executor(reporter, journal));
       const Told applied = Reported(reporter);
       told.messages.insert(told.messages.end(), applied.messages.begin(),
                            applied.messages.end());
       return told;
     },
     true,
     [](const std::string& name, const std::string& content) {
       // The empty tag went on, the field could not follow.
       return name == "untagged.mp3" && content.starts_with(kAudio + EmptyTag() + "\n");
     }},
    {"multi-field writer",
     [](const std::string& dir) {
       WriteFile(JoinPath(dir, "Eins - Zwei.mp3"), kAudio + Tag("Alt"));
       WriteFile(JoinPath(dir, "Drei - Vier.mp3"), kAudio);
     },
     [](const std::string& dir, Journal* journal) {
       return RunOperation(dir, journal, Operation::B,
                           TagInsertParams{{U"T", U""}, {U"I", U""}, {U"A", U""}});
     },
     true,
     [](const std::string& name, const std::string& content) {
       // The empty tag went on, the fields could not follow: the journal
       // holds the appended tag as done, so undo can take it off again.
       return name == "Drei - Vier.mp3" && content.starts_with(kAudio + EmptyTag() + "\n");
     }},
    {"text replace",
     [](const std::string& dir) {
       WriteFile(JoinPath(dir, "liste.m3u"), "alt\r\nalt\r\n");
       WriteFile(JoinPath(dir, "zwei.m3u"), "alt\n");
       // A second link outside the folder: the file is rewritten in place.
       ASSERT_EQ(link(JoinPath(dir, "zwei.m3u").c_str(), (dir + "-zwei.m3u").c_str()), 0);
     },
     [](const std::string& dir, Journal* journal) {
       return RunOperation(dir, journal, Operation::Z, TextReplaceParams{U"alt", U"neu"},
                           U"*.m3u");
     },
     true},
    {"text replace in files synced together",
     [](const std::string& dir) {
       for (const char* name : {"a.m3u", "b.m3u", "c.m3u"}) {
         WriteFile(JoinPath(dir, name), "alt\n" + std::string(name) + "\n");
       }
     },
     [](const std::string& dir, Journal* journal) {
       return RunOperation(dir, journal, Operation::Z, TextReplaceParams{U"alt", U"neu"},
                           U"*.m3u");
     },
     true},
    {"rename with the playlists that name the files",
     [](const std::string& dir) {
       WriteFile(JoinPath(dir, "a - b.mp3"), kAudio);
       WriteFile(JoinPath(dir, "c - d.mp3"), kAudio + "c");
       WriteFile(JoinPath(dir, "eins.m3u"), "#EXTM3U\na - b.mp3\n");
       WriteFile(JoinPath(dir, "zwei.m3u"), "c - d.mp3\r\nx.mp3\r\na - b.mp3\r\n");
     },
     [](const std::string& dir, Journal* journal) {
       test::RecordingReporter reporter;
       BatchContext context;
       context.reporter = &reporter;
       context.followPlaylists = true;
       RunSelection(Operation::X, SearchReplaceParams{U" - ", U" -- "}, dir, {}, context,
                    Executor(reporter, journal));
       return Reported(reporter);
     },
     true},
    {"id3v2 tag in place",
     [](const std::string& dir) {
       WriteFile(JoinPath(dir, "a.mp3"),
                 test::Tag(3, test::Frame(3, "TIT2", test::Text(0, "v2")), 200) + kAudio +
                     Tag("Alt"));
     },
     [](const std::string& dir, Journal* journal) {
       return RunOperation(dir, journal, Operation::V, NoParams{});
     },
     true},
    {"tag write with the id3v2 tag following",
     [](const std::string& dir) {
       // The ID3v2 write goes on with the open of the ID3v1 write: in place,
       // and through a new file where the longer title does not fit.
       WriteFile(JoinPath(dir, "a.mp3"), RoomyId3v2() + kAudio + Tag("Alt"));
       WriteFile(JoinPath(dir, "b.mp3"), TightId3v2() + kAudio + Tag("Alt"));
     },
     [](const std::string& dir, Journal* journal) {
       return RunOperation(dir, journal, Operation::B, TagInsertParams{{U"[", U"]"}, {}, {}},
                           U"*.mp3", true);
     },
     true,
     [](const std::string& name, const std::string& content) {
       // The ID3v1 tag was written, the ID3v2 tag could not follow.
       const std::string v2 = name == "a.mp3" ? RoomyId3v2() : TightId3v2();
       return content.starts_with(v2 + kAudio + "TAG[Alt] ");
     }},
    {"id3v2 tag through a new file",
     [](const std::string& dir) {
       WriteFile(JoinPath(dir, "a.mp3"),
                 test::Tag(4, test::Frame(4, "TIT2", test::Text(0, "v2"))) + kAudio + Tag("Alt"));
       WriteFile(JoinPath(dir, "b.mp3"), kAudio + Tag("Neu"));
     },
     [](const std::string& dir, Journal* journal) {
       return RunOperation(dir, journal, Operation::V, NoParams{});
     },
     true},
    {"export",
     [](const std::string& dir) {
       WriteExportFiles(dir);
       WriteFile(JoinPath(dir, "Liste.csv"), "alte Liste\r\n");
     },
     ExportAll, true, ListWithoutALine},
    {"export to a new list", WriteExportFiles, ExportAll, true, ListWithoutALine},
    {"undo", AppliedMixedBatch, UndoNewest, true},
    {"undo of a tag write with the id3v2 tag following", AppliedTagBatchWithId3v2, UndoNewest,
     true,
     [](const std::string&, const std::string& content) {
       // The ID3v2 tag was taken back, the ID3v1 tag could not follow.
       return content.find("TAG[Alt] ") != std::string::npos &&
              (content.starts_with(RoomyId3v2() + kAudio) ||
               content.starts_with(TightId3v2() + kAudio));
     }},
    {"settings write",
     [](const std::string& dir) {
       WriteFile(JoinPath(dir, "mp3sonavex.ini"), "[Optionen]\r\nMaske=*.mp3\r\n");
     },
     [](const std::string& dir, Journal*) {
       const IniFile ini(JoinPath(dir, "mp3sonavex.ini"));
       return Returned(ini.WriteString(U"Optionen", U"Maske", U"*.*"));
     }},
};

// Names the writer in test listings.
void PrintTo(const Writer& writer, std::ostream* out) { *out << writer.name; }

class FaultSweep : public ::testing::TestWithParam<Writer> {};

TEST_P(FaultSweep, EveryCallFailingLeavesFilesWholeAndTellsSo) {
  Sweep sweep(GetParam());
  ASSERT_NO_FATAL_FAILURE(sweep.Measure());
  for (const Fault fault : test::kAllFaults) sweep.Check(fault);
}

INSTANTIATE_TEST_SUITE_P(Writers, FaultSweep, ::testing::ValuesIn(kWriters),
                         [](const auto& info) {
                           std::string name;
                           for (const char c : std::string(info.param.name)) {
                             if (std::isalnum(static_cast<unsigned char>(c))) name += c;
                           }
                           return name;
                         });

// The journal's own writes failing: the batch goes on and completes, the
// failure is told once, the journal still opens afterwards, and what it
// recorded takes the batch back.
class JournalFaultSweep : public ::testing::Test {
 protected:
  struct Run {
    int told = 0;
    Told reported;
  };

  std::string Work() const { return root / "work"; }
  std::string JournalPath() const { return root / "state/journal.sqlite"; }

  void Fresh(bool journalExists) {
    std::filesystem::remove_all(root.path());
    std::filesystem::create_directories(Work());
    WriteMixedFiles(Work());
    std::error_code ec;
    if (journalExists) {
      ASSERT_NE(Journal::Open(JournalPath(), kNow, ec), nullptr);
    }
  }


  // Opening the journal is part of the run: a caller that cannot open it
  // warns and goes on without undo. As a playlist that follows the rename,
  // the list is readied on other threads while the rename runs; a journal
  // failure is told on the batch's thread all the same.
  Run Apply(bool playlist = false) {
    Run run;
    std::error_code ec;
    std::unique_ptr<Journal> journal = Journal::Open(JournalPath(), kNow, ec);
    if (ec) ++run.told;
    Plan plan;
    plan.kind = PlanKind::RenameDialog;
    plan.directory = Work();
    plan.steps = MixedSteps();
    for (PlanStep& step : plan.steps) step.directory = Work();
    if (playlist) {
      auto& list = std::get<steps::ContentReplace>(plan.steps.back().change);
      list.playlist = true;
      list.renamedFiles = {{Work() + "/a.mp3", Work() + "/b.mp3"}};
    }
    test::RecordingReporter reporter;
    ExecutorContext context = Executor(reporter, journal.get());
    const std::thread::id batchThread = std::this_thread::get_id();
    context.onJournalFailure = [&](std::error_code) {
      ++run.told;
      EXPECT_EQ(std::this_thread::get_id(), batchThread);
    };
    ApplyPlan(plan, context);
    run.reported = Reported(reporter);
    return run;
  }

  void Check(const Run& run, const Snapshot& before, const Snapshot& after) {
    EXPECT_EQ(Take(Work()), after) << "the batch did not go on";
    EXPECT_TRUE(run.reported.messages.empty());
    EXPECT_LE(run.told, 1);
    const auto records = JournalRecords(JournalPath());
    if (run.told == 0) {
      EXPECT_EQ(records.size(), 4u) << "a failure of the journal went untold";
      for (const auto& [names, done] : records) EXPECT_TRUE(done) << names.back();
    }
    if (records.empty()) return;
    std::error_code ec;
    std::unique_ptr<Journal> journal = Journal::Open(JournalPath(), kNow, ec);
    ASSERT_NE(journal, nullptr) << ec.message();
    const std::int64_t batch = NewestUndoableBatch(*journal, ec);
    test::RecordingReporter reporter;
    ApplyPlan(PlanUndo(*journal, batch, ec), Executor(reporter, journal.get()));
    EXPECT_TRUE(reporter.messages.empty());
    EXPECT_EQ(Take(Work()), before) << "undo did not bring the old state back";
  }

  TempDir root;
};

TEST_F(JournalFaultSweep, EveryWriteSyncTruncateAndOpenFailing) {
  for (const auto& [journalExists, playlist] : {std::pair{false, false}, std::pair{true, false},
                                               std::pair{false, true}}) {
    ASSERT_NO_FATAL_FAILURE(Fresh(journalExists));
    const Snapshot before = Take(Work());
    int count = 0;
    {
      test::FaultVfs vfs;
      ASSERT_EQ(Apply(playlist).told, 0);
      count = vfs.Count();
    }
    const Snapshot after = Take(Work());
    ASSERT_GT(count, 0);
    int toldRuns = 0;
    for (const int code : {SQLITE_FULL, SQLITE_IOERR}) {
      for (int n = 1; n <= count; ++n) {
        SCOPED_TRACE(std::string(playlist ? "playlist, " : "") + "journal " +
                     std::string(journalExists ? "existing" : "new") +
                     ", code " + std::to_string(code) + " at call " + std::to_string(n) +
                     " of " + std::to_string(count));
        ASSERT_NO_FATAL_FAILURE(Fresh(journalExists));
        Run run;
        {
          test::FaultVfs vfs;
          vfs.FailNth(n, code);
          run = Apply(playlist);
          EXPECT_TRUE(vfs.fired());
        }
        Check(run, before, after);
        toldRuns += run.told;
      }
    }
    EXPECT_GT(toldRuns, 0);
  }
}

}  // namespace
}  // namespace sonavex

namespace sonavex {
namespace {

// A replacement whose new content cannot be made durable, or whose
// temporary file reports a write error only when it is closed (as network
// file systems do), fails: the old content stays and no temporary file.
TEST(ReplaceFileFaults, FailingSyncOrCloseKeepsTheOldContent) {
  for (const Call call : {Call::Sync, Call::Close}) {
    SCOPED_TRACE(call == Call::Sync ? "sync" : "close");
    TempDir dir;
    WriteFile(dir / "list.m3u", "old");
    std::error_code ec;
    {
      FaultFs fs;
      fs.FailNth(1, Fault::Io, call);
      ec = ReplaceFileAtomically(dir / "list.m3u", "new");
      EXPECT_TRUE(fs.fired());
    }
    EXPECT_EQ(ec, std::make_error_code(std::errc::io_error));
    EXPECT_EQ(ReadFile(dir / "list.m3u"), "old");
    EXPECT_EQ(Take(dir.path()).size(), 1u);
  }
}

// renameat2 as a case-insensitive file system answers it: "Ä.mp3" exists
// while "ä.mp3" is there.
int CaseInsensitiveRenameat2(int fromDir, const char* from, int toDir, const char* to,
                             unsigned flags) {
  const std::string target = to;
  const std::string spelled = "Ä.mp3";
  if (target.ends_with(spelled)) {
    const std::string other = target.substr(0, target.size() - spelled.size()) + "ä.mp3";
    if (faccessat(toDir, other.c_str(), F_OK, AT_SYMLINK_NOFOLLOW) == 0) {
      errno = EEXIST;
      return -1;
    }
  }
  return RealSysCalls().renameat2(fromDir, from, toDir, to, flags);
}

// A case-only change of a name outside ASCII, where the file system finds
// the file itself under the new spelling: by full path and from an open
// directory, as the executor renames.
TEST(CaseOnlyRename, NonAsciiLetterOnACaseInsensitiveFileSystem) {
  SysCalls calls = RealSysCalls();
  calls.renameat2 = CaseInsensitiveRenameat2;
  for (const bool fromOpenDirectory : {false, true}) {
    SCOPED_TRACE(fromOpenDirectory ? "open directory" : "full path");
    TempDir dir;
    WriteFile(dir / "ä.mp3", "song");
    std::error_code ec;
    {
      const ScopedSysCalls installed(calls);
      DirectoryRenamer renamer;
      ec = fromOpenDirectory ? renamer.Rename(dir.path(), "ä.mp3", "Ä.mp3")
                             : RenameNoReplace(dir.path(), "ä.mp3", "Ä.mp3");
    }
    EXPECT_FALSE(ec) << ec.message();
    const Snapshot after = Take(dir.path());
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after.begin()->first, "Ä.mp3");
    EXPECT_EQ(ReadFile(dir / "Ä.mp3"), "song");
  }
}

}  // namespace
}  // namespace sonavex
