// The command-line tool's `X " - " " -- "` and back over a generated tree
// (100 folders of 100 files), each run a process of its own from start to
// exit with the undo journal on, against the plain C loop (one readdir pass
// per folder, one renameat2 with RENAME_NOREPLACE per file) run as a process
// too: this program started again in a hidden mode that runs the loop once.
// Both run on the same tree in alternating rounds, so that cache state
// favours neither. Besides the wall-clock times it gives the CPU times
// (user + system) of both, which a busy machine disturbs less, and the size
// of the journal after one batch.
//
// The tool reads an empty settings file and keeps its journal in a
// temporary directory; the journal is created by an untimed first batch,
// so that the timed runs open an existing one, as they would day to day.
//
// Usage: cli_rename_bench [rounds] [directory-to-create-the-tree-in] [cli]
// Figures mean something only from an optimised build without sanitizers:
//   cmake -S . -B build-rel -G Ninja -DCMAKE_BUILD_TYPE=Release -DSONAVEX_BUILD_BENCH=ON
//   cmake --build build-rel -j2 --target cli_rename_bench mp3sonavex-cli
//   build-rel/bin/cli_rename_bench 21
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "support/plain_timing.h"
#include "support/process.h"
#include "support/rename_tree.h"

namespace {

using sonavex::bench::AllRenamedTo;
using sonavex::bench::Median;
using sonavex::bench::RunProcess;
using sonavex::bench::Seconds;

constexpr const char* kLoopMode = "--plain-loop";
constexpr int kFiles = sonavex::bench::kRenameFolders * sonavex::bench::kRenameFilesPerFolder;

std::string OwnPath() {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) {
    perror("/proc/self/exe");
    exit(1);
  }
  return std::string(path, static_cast<std::size_t>(length));
}

std::int64_t FileSize(const std::string& path) {
  struct stat st{};
  return stat(path.c_str(), &st) == 0 ? st.st_size : 0;
}

struct Setup {
  std::string cli;
  std::string self;
  std::string root;
  std::string settings;
  std::string journal;
};

// One renaming pass as a process: the tool, or this program's loop. Exits
// the benchmark when the pass reports anything.
void Pass(const Setup& setup, bool tool, const char* search, const char* replacement,
          double& cpu) {
  const std::vector<std::string> args =
      tool ? std::vector<std::string>{setup.cli, "--dir", setup.root, "--recursive",
                                      "--settings", setup.settings, "--journal",
                                      setup.journal, "X", search, replacement}
           : std::vector<std::string>{setup.self, kLoopMode, setup.root, search,
                                      replacement};
  if (const int status = RunProcess(args, "/dev/null", &cpu); status != 0) {
    fprintf(stderr, "%s: exit status %d\n", args[0].c_str(), status);
    exit(1);
  }
}

// " - " -> " -- " and back; the wall-clock time of both passes, their CPU
// time added to `cpu`. The check between the passes is not timed.
double Round(const Setup& setup, bool tool, double& cpu, bool& correct) {
  double seconds = Seconds([&] { Pass(setup, tool, " - ", " -- ", cpu); });
  correct = correct && AllRenamedTo(setup.root, " -- ");
  seconds += Seconds([&] { Pass(setup, tool, " -- ", " - ", cpu); });
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::string_view(argv[1]) == kLoopMode) {
    sonavex::bench::PlainRenameLoop(argv[2], argv[3], argv[4]);
    return 0;
  }
  const int rounds = sonavex::bench::Rounds(argc, argv, 1, 21);
  const std::string parent = sonavex::bench::ScratchParent(argc, argv, 2);
  Setup setup;
  setup.cli = argc > 3 ? argv[3] : SONAVEX_CLI_PATH;
  setup.self = OwnPath();
  setup.root = sonavex::bench::MakeRenameTree(parent);
  const std::string work = sonavex::bench::MakeScratchFolder(parent, "sonavex-bench-cli");
  setup.settings = work + "/settings.ini";
  std::ofstream(setup.settings).close();
  setup.journal = work + "/journal.sqlite";

  // The first batch creates the journal; its size is that of one batch.
  double ignored = 0;
  bool correct = true;
  Pass(setup, true, " - ", " -- ", ignored);
  correct = AllRenamedTo(setup.root, " -- ");
  const std::int64_t oneBatch = FileSize(setup.journal) + FileSize(setup.journal + "-wal");
  Pass(setup, true, " -- ", " - ", ignored);

  std::vector<double> command, plain, commandCpu, plainCpu;
  const auto run = [&](bool tool) {
    double cpu = 0;
    (tool ? command : plain).push_back(Round(setup, tool, cpu, correct));
    (tool ? commandCpu : plainCpu).push_back(cpu);
  };
  for (int round = 0; round < rounds; ++round) {
    // Taking turns at going first keeps any warm-up from favouring one side.
    run(round % 2 == 0);
    run(round % 2 != 0);
  }
  const std::int64_t journalSize =
      FileSize(setup.journal) + FileSize(setup.journal + "-wal");
  std::filesystem::remove_all(setup.root);
  std::filesystem::remove_all(work);

  const double pairedRatio = sonavex::bench::MedianOfRatios(command, plain);
  const double c = Median(command), p = Median(plain);
  printf("tree: %d files in %d folders under %s, %d rounds, each round renames every "
         "file twice (two processes)\n",
         kFiles, sonavex::bench::kRenameFolders, parent.c_str(), rounds);
  printf("%s --dir ROOT --recursive --settings EMPTY --journal J X \" - \" \" -- \" and "
         "back: median %.1f ms, %.2f us per rename\n",
         setup.cli.c_str(), c * 1e3, c * 1e6 / (2.0 * kFiles));
  printf("plain C loop as a process (readdir + renameat2), and back: median %.1f ms, "
         "%.2f us per rename\n", p * 1e3, p * 1e6 / (2.0 * kFiles));
  printf("ratio command / loop: %.3f of the medians, %.3f median of the paired rounds "
         "(target 1.3)\n", c / p, pairedRatio);
  const double cc = Median(commandCpu), pc = Median(plainCpu);
  printf("CPU time (user + system): command median %.1f ms, loop median %.1f ms, "
         "ratio %.3f\n", cc * 1e3, pc * 1e3, cc / pc);
  printf("journal after one batch of %d renames: %.2f MiB (target < 5 MiB); after all "
         "%d batches: %.2f MiB\n", kFiles, static_cast<double>(oneBatch) / (1 << 20),
         2 + 2 * rounds, static_cast<double>(journalSize) / (1 << 20));
  if (!correct) printf("ERROR: not every file was renamed\n");
  return correct ? 0 : 1;
}
