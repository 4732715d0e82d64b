// The undo journal under a batch of 10,000 renames (100 folders of 100
// files), written the way the executor writes it: a chunk of actions
// recorded as pending in one transaction, then marked done in one.
//
//   BM_JournalOnly       journaling alone, per chunk size; reports the time
//                        per action, the journal's size on disk (database
//                        and write-ahead file) while open and after closing,
//                        and the time closing takes
//   BM_Renames/0 and /1  real renameat2 calls over a real tree, without and
//                        with the journal, so the ratio of the two is the
//                        journal's share of a rename batch
//   BM_JournalOpen       opening (recovering the write-ahead file, pruning)
//                        and closing a journal holding such a batch
//
// Figures mean something only from an optimised build without sanitizers:
//   cmake -S . -B build-rel -G Ninja -DCMAKE_BUILD_TYPE=Release
//         -DSONAVEX_BUILD_GUI=OFF -DSONAVEX_BUILD_TESTS=OFF
//   cmake --build build-rel -j2 --target journal_bench
//   build-rel/bin/journal_bench
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "core/journal/journal.h"

namespace {

using sonavex::ActionKind;
using sonavex::Journal;
using sonavex::JournalAction;

constexpr int kFolders = 100;
constexpr int kFilesPerFolder = 100;
constexpr int kFiles = kFolders * kFilesPerFolder;

// A fresh directory under $TMPDIR, removed at the end.
class ScratchDir {
 public:
  ScratchDir() {
    const char* tmp = getenv("TMPDIR");
    path_ = std::string(tmp && *tmp ? tmp : "/tmp") + "/sonavex-journal-XXXXXX";
    if (mkdtemp(path_.data()) == nullptr) {
      perror("mkdtemp");
      exit(1);
    }
  }
  ~ScratchDir() { std::filesystem::remove_all(path_); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

std::string FileName(int folder, int file, const char* separator) {
  return "Artist " + std::to_string(folder) + separator + "Title " +
         std::to_string(file) + ".mp3";
}

// The renames of one pass over the tree, " - " to " -- " or back.
std::vector<JournalAction> RenamePass(const std::string& root, bool forward) {
  std::vector<JournalAction> actions;
  actions.reserve(kFiles);
  for (int d = 0; d < kFolders; ++d) {
    for (int f = 0; f < kFilesPerFolder; ++f) {
      JournalAction action;
      action.kind = ActionKind::Rename;
      action.directory = root + "/Folder " + std::to_string(d);
      action.oldName = FileName(d, f, forward ? " - " : " -- ");
      action.newName = FileName(d, f, forward ? " -- " : " - ");
      actions.push_back(std::move(action));
    }
  }
  return actions;
}

void MakeTree(const std::string& root) {
  for (const JournalAction& action : RenamePass(root, true)) {
    std::filesystem::create_directories(action.directory);
    const int fd = open((action.directory + "/" + action.oldName).c_str(),
                        O_CREAT | O_WRONLY, 0644);
    if (fd < 0) {
      perror("open");
      exit(1);
    }
    close(fd);
  }
}

std::int64_t FileSize(const std::string& path) {
  struct stat st{};
  return stat(path.c_str(), &st) == 0 ? st.st_size : 0;
}

std::unique_ptr<Journal> OpenOrDie(const std::string& path) {
  std::error_code ec;
  auto journal = Journal::Open(path, std::time(nullptr), ec);
  if (!journal) {
    fprintf(stderr, "journal: %s\n", ec.message().c_str());
    exit(1);
  }
  return journal;
}

// One batch through the journal; `perform` runs once per action of a chunk
// between recording and marking.
template <typename Perform>
void JournalBatch(Journal& journal, const std::vector<JournalAction>& actions,
                  std::size_t chunk, Perform perform) {
  std::error_code ec;
  const std::int64_t batch =
      journal.BeginBatch({std::time(nullptr), 'X', "Suchen und Ersetzen",
                          "search= - \nreplace= -- ", actions[0].directory, 0},
                         ec);
  for (std::size_t first = 0; first < actions.size() && !ec; first += chunk) {
    const std::span<const JournalAction> part(
        actions.data() + first, std::min(chunk, actions.size() - first));
    const std::vector<std::int64_t> ids = journal.RecordPending(batch, part, ec);
    for (const JournalAction& action : part) perform(action);
    if (!ec) ec = journal.MarkDone(ids);
  }
  if (!ec) ec = journal.EndBatch(batch);
  if (ec) {
    fprintf(stderr, "journal: %s\n", ec.message().c_str());
    exit(1);
  }
}

void RenameOrDie(const JournalAction& action) {
  if (renameat2(AT_FDCWD, (action.directory + "/" + action.oldName).c_str(),
                AT_FDCWD, (action.directory + "/" + action.newName).c_str(),
                RENAME_NOREPLACE) != 0) {
    perror(action.newName.c_str());
    exit(1);
  }
}

void ReportPerAction(benchmark::State& state, int actionsPerIteration) {
  state.counters["per_action"] = benchmark::Counter(
      static_cast<double>(actionsPerIteration) * static_cast<double>(state.iterations()),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_JournalOnly(benchmark::State& state) {
  const auto chunk = static_cast<std::size_t>(state.range(0));
  ScratchDir dir;
  const std::vector<JournalAction> actions = RenamePass(dir.path(), true);
  const std::string path = dir.path() + "/journal.sqlite";
  std::int64_t openBytes = 0, closedBytes = 0;
  double closeSeconds = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove(path);
    auto journal = OpenOrDie(path);
    state.ResumeTiming();
    JournalBatch(*journal, actions, chunk, [](const JournalAction&) {});
    state.PauseTiming();
    openBytes = FileSize(path) + FileSize(path + "-wal");
    // Closing copies the write-ahead file into the database and syncs it:
    // a cost the command-line tool pays once per run.
    const auto start = std::chrono::steady_clock::now();
    journal.reset();
    closeSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    closedBytes = FileSize(path) + FileSize(path + "-wal");
    state.ResumeTiming();
  }
  ReportPerAction(state, kFiles);
  state.counters["bytes_open"] = static_cast<double>(openBytes);
  state.counters["bytes_closed"] = static_cast<double>(closedBytes);
  state.counters["close_s"] = benchmark::Counter(closeSeconds, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_JournalOnly)->Arg(64)->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond);

// Each iteration renames every file forth and back: two batches.
void BM_Renames(benchmark::State& state) {
  const bool journaled = state.range(0) != 0;
  ScratchDir dir;
  MakeTree(dir.path());
  const std::vector<JournalAction> forth = RenamePass(dir.path(), true);
  const std::vector<JournalAction> back = RenamePass(dir.path(), false);
  auto journal = journaled ? OpenOrDie(dir.path() + "/journal.sqlite") : nullptr;
  for (auto _ : state) {
    for (const auto* pass : {&forth, &back}) {
      if (journal) {
        JournalBatch(*journal, *pass, 256, RenameOrDie);
      } else {
        for (const JournalAction& action : *pass) RenameOrDie(action);
      }
    }
  }
  ReportPerAction(state, 2 * kFiles);
}
BENCHMARK(BM_Renames)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_JournalOpen(benchmark::State& state) {
  ScratchDir dir;
  const std::string path = dir.path() + "/journal.sqlite";
  JournalBatch(*OpenOrDie(path), RenamePass(dir.path(), true), 256,
               [](const JournalAction&) {});
  for (auto _ : state) benchmark::DoNotOptimize(OpenOrDie(path));
}
BENCHMARK(BM_JournalOpen)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
