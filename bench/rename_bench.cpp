// Renames every file of a generated tree (100 folders of 100 files) with 'X'
// replacing " - " by " -- " and back, through the batch engine (plan, then
// apply, with the undo journal kept in a temporary directory), and the same
// renames through a plain C loop that reads each folder once and calls
// renameat2 with RENAME_NOREPLACE per file. Both run on the same tree in the
// same process, in alternating rounds, so that cache state favours neither.
//
// Usage: rename_bench [directory-to-create-the-tree-in] [rounds]
// Figures mean something only from an optimised build without sanitizers:
//   cmake -S . -B build-rel -G Ninja -DCMAKE_BUILD_TYPE=Release
//         -DSONAVEX_BUILD_GUI=OFF -DSONAVEX_BUILD_TESTS=OFF
//   cmake --build build-rel -j2 --target rename_bench
//   build-rel/bin/rename_bench /tmp 15
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/apply/executor.h"
#include "core/journal/journal.h"
#include "support/plain_timing.h"
#include "support/scratch_journal.h"
#include "support/rename_tree.h"

namespace {

using sonavex::bench::AllRenamedTo;
using sonavex::bench::kRenameFilesPerFolder;
using sonavex::bench::kRenameFolders;
using sonavex::bench::Median;
using sonavex::bench::PlainRenameLoop;
using sonavex::bench::Seconds;

void Engine(const std::string& root, const char32_t* search,
            const char32_t* replacement, sonavex::Journal* journal) {
  sonavex::BatchContext context;
  context.mask = U"*.mp3";
  context.recursive = true;
  sonavex::ExecutorContext executor;
  executor.journal = journal;
  executor.onJournalFailure = [](std::error_code ec) {
    fprintf(stderr, "journal: %s\n", ec.message().c_str());
    exit(1);
  };
  sonavex::RunSelection(sonavex::Operation::X,
                        sonavex::SearchReplaceParams{search, replacement}, root, {},
                        context, executor);
}

std::int64_t FileSize(const std::string& path) {
  struct stat st{};
  return stat(path.c_str(), &st) == 0 ? st.st_size : 0;
}

// The journal of one batch over the tree, on its own, after closing.
std::int64_t OneBatchJournalSize(const std::string& root, const std::string& folder) {
  const std::string path = folder + "/one-batch.sqlite";
  {
    const std::unique_ptr<sonavex::Journal> journal = sonavex::bench::OpenJournalOrExit(path);
    Engine(root, U" - ", U" -- ", journal.get());
  }
  Engine(root, U" -- ", U" - ", nullptr);
  return FileSize(path) + FileSize(path + "-wal");
}

}  // namespace

int main(int argc, char** argv) {
  const std::string parent = sonavex::bench::ScratchParent(argc, argv, 1);
  const int rounds = sonavex::bench::Rounds(argc, argv, 2, 11);
  const std::string root = sonavex::bench::MakeRenameTree(parent);
  const int files = kRenameFolders * kRenameFilesPerFolder;
  const sonavex::bench::ScratchJournal journal(parent);

  std::vector<double> engine, plain;
  bool correct = true;
  const auto renamed = [&] { return AllRenamedTo(root, " -- "); };
  const auto engineRound = [&] {
    sonavex::bench::ThereAndBack(
        engine, correct, [&] { Engine(root, U" - ", U" -- ", journal.get()); }, renamed,
        [&] { Engine(root, U" -- ", U" - ", journal.get()); });
  };
  const auto plainRound = [&] {
    sonavex::bench::ThereAndBack(
        plain, correct, [&] { PlainRenameLoop(root, " - ", " -- "); }, renamed,
        [&] { PlainRenameLoop(root, " -- ", " - "); });
  };
  sonavex::bench::AlternateRounds(rounds, engineRound, plainRound);
  const std::int64_t oneBatch = OneBatchJournalSize(root, journal.folder());
  std::filesystem::remove_all(root);

  const double pairedRatio = sonavex::bench::MedianOfRatios(engine, plain);
  const double e = Median(engine), p = Median(plain);
  printf("tree: %d folders x %d files in %s, %d rounds, each round renames "
         "every file twice\n", kRenameFolders, kRenameFilesPerFolder, parent.c_str(), rounds);
  printf("engine ('X' planned and applied, journal on): median %.1f ms, %.2f us per rename\n",
         e * 1e3, e * 1e6 / (2.0 * files));
  printf("plain C loop (readdir + renameat2): median %.1f ms, %.2f us per rename\n",
         p * 1e3, p * 1e6 / (2.0 * files));
  printf("best rounds: engine %.1f ms, plain %.1f ms, ratio %.3f\n",
         *std::min_element(engine.begin(), engine.end()) * 1e3,
         *std::min_element(plain.begin(), plain.end()) * 1e3,
         *std::min_element(engine.begin(), engine.end()) /
             *std::min_element(plain.begin(), plain.end()));
  printf("ratio engine / plain: %.3f of the medians, %.3f median of the "
         "rounds (target 1.3)\n", e / p, pairedRatio);
  printf("journal of one batch of %d renames: %.2f MiB (target < 5 MiB)\n", files,
         static_cast<double>(oneBatch) / (1 << 20));
  if (!correct) printf("ERROR: not every file was renamed\n");
  return correct ? 0 : 1;
}
