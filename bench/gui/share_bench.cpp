// info, the list export and the info grid's filling on a network share
// against the same files on the local disk. The share is slowfs, a FUSE
// passthrough that answers every request after a fixed latency; the
// benchmark mounts it over generated trees of small MP3 files (info and
// the export walk a tree of 10 folders, the grid shows one folder holding
// as many files) and unmounts it at the end. It skips with a message where
// FUSE, python3 with fusepy or slowfs is missing.
//
// Each command runs as the program decides how many files to read at once
// ("as chosen") and, for comparison, with one file at a time as before and
// with 16 at a time. slowfs.py is found at configure time as for the tests
// (-DSONAVEX_SLOWFS_SCRIPT=PATH), or named by SONAVEX_SLOWFS at run time.
//
// Usage: share_bench [latency-ms (1)] [rounds (3)] [files (1000)] [--chosen-only]
//   QT_QPA_PLATFORM=offscreen build-rel/bin/share_bench 1
//   QT_QPA_PLATFORM=offscreen build-rel/bin/share_bench 5
//   QT_QPA_PLATFORM=offscreen build-rel/bin/share_bench 1 1 10000 --chosen-only
// Figures mean something only from an optimised build without sanitizers:
//   cmake -S . -B build-rel -G Ninja -DCMAKE_BUILD_TYPE=Release -DSONAVEX_BUILD_BENCH=ON
//   cmake --build build-rel -j2 --target share_bench mp3sonavex-cli
#include <stdio.h>
#include <stdlib.h>

#include <QApplication>
#include <QTabWidget>
#include <QTableView>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "gui/app_windows.h"
#include "support/mp3_tree.h"
#include "support/plain_timing.h"
#include "support/process.h"
#include "support/slow_share.h"

namespace sonavex {
namespace {

using bench::Median;
using bench::RunProcess;
using bench::Seconds;

constexpr int kFolders = 10;

struct Setup {
  std::string cli = SONAVEX_CLI_PATH;
  std::string scratch;  // journal and settings of the runs
  int rounds = 3;
  int files = 1000;
};

// Runs with SONAVEX_READS_IN_FLIGHT set to `inFlight` ("" for the
// program's own choice).
double Timed(const char* inFlight, const std::function<void()>& run) {
  if (*inFlight != '\0') setenv("SONAVEX_READS_IN_FLIGHT", inFlight, 1);
  const double seconds = Seconds(run);
  unsetenv("SONAVEX_READS_IN_FLIGHT");
  return seconds;
}

long Lines(const std::string& path) {
  std::ifstream in(path);
  long count = 0;
  for (std::string line; std::getline(in, line);) ++count;
  return count;
}

// The medians of info and the export over the tree at `root`.
std::vector<double> CommandTimes(const Setup& setup, const std::string& root,
                                 const char* inFlight, bool& correct) {
  const std::string out = setup.scratch + "/out.txt";
  const std::vector<std::string> info = {setup.cli, "--dir", root, "--recursive", "info"};
  const std::vector<std::string> exported = {
      setup.cli, "--dir", root, "--recursive", "--journal", setup.scratch + "/j.sqlite",
      "P", "-", "--columns", "1,2,3,4,5,6,7,8,9,10,11,12,13"};
  std::vector<double> infoTimes, exportTimes;
  for (int round = 0; round < setup.rounds; ++round) {
    int status = 0;
    infoTimes.push_back(Timed(inFlight, [&] { status = RunProcess(info, out.c_str()); }));
    correct = correct && status == 0 && Lines(out) == setup.files;
    exportTimes.push_back(Timed(inFlight, [&] { status = RunProcess(exported, out.c_str()); }));
    // A directory line (blank and path) before each folder's lines.
    correct = correct && status == 0 && Lines(out) == setup.files + 2 * kFolders;
  }
  return {Median(infoTimes), Median(exportTimes)};
}

// The median time to the last row of the grid over the folder `folder`.
double GridTime(const Setup& setup, const std::string& folder, const char* inFlight,
                bool& correct) {
  const std::string settings = setup.scratch + "/grid.INI";
  std::ofstream(settings) << "[Datei]\nTyp=*.mp3\nVerzeichnis=" << folder << "\n";
  bench::NoReports reporter;
  AppWindows windows = CreateWindows(settings, reporter);
  MainWindow& window = *windows.main;
  auto* pages = window.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
  std::vector<double> times;
  for (int round = 0; round < setup.rounds; ++round) {
    pages->setCurrentIndex(0);
    // Showing the page fills the grid.
    times.push_back(Timed(inFlight, [&] { pages->setCurrentIndex(1); }));
    correct = correct && window.infoGrid()->model()->rowCount() == setup.files;
  }
  return Median(times);
}

void PrintRow(const char* place, const char* how, const std::vector<double>& commands,
              double grid) {
  printf("%-6s %-18s info %8.3f s   export %8.3f s   grid %8.3f s\n", place, how,
         commands[0], commands[1], grid);
}

int Run(Setup& setup, double latency, bool chosenOnly) {
  const bench::Mp3Tree tree(setup.files, setup.files / kFolders);
  const bench::Mp3Tree flat(setup.files, 0);
  const char* script = getenv("SONAVEX_SLOWFS");
  if (script == nullptr || *script == '\0') script = SONAVEX_SLOWFS_PATH;
  bench::SlowShare treeShare(tree.root(), latency, script);
  bench::SlowShare flatShare(flat.root(), latency, script);
  if (!treeShare.ok() || !flatShare.ok()) {
    printf("share_bench skipped: %s\n", (treeShare.ok() ? flatShare : treeShare).why().c_str());
    return 0;
  }
  printf("%d small MP3 files (info, export: %d folders; grid: one folder), slowfs at %g ms, "
         "medians of %d rounds\n", setup.files, kFolders, latency, setup.rounds);
  bool correct = true;
  struct Place {
    const char* name;
    std::string tree, flat;
  } const places[] = {{"local", tree.root(), flat.root()},
                      {"share", treeShare.mountPoint(), flatShare.mountPoint()}};
  struct How {
    const char* name;
    const char* inFlight;
  } const hows[] = {{"as chosen", ""}, {"one at a time", "1"}, {"16 at a time", "16"}};
  for (const Place& place : places) {
    for (const How& how : hows) {
      if (chosenOnly && *how.inFlight != '\0') continue;
      const std::vector<double> commands = CommandTimes(setup, place.tree, how.inFlight, correct);
      PrintRow(place.name, how.name, commands, GridTime(setup, place.flat, how.inFlight, correct));
    }
  }
  if (!correct) fprintf(stderr, "share_bench: a run did not show every file\n");
  return correct ? 0 : 1;
}

}  // namespace
}  // namespace sonavex

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  sonavex::Setup setup;
  const double latency = argc > 1 ? atof(argv[1]) : 1.0;
  setup.rounds = sonavex::bench::Rounds(argc, argv, 2, 3);
  if (argc > 3) setup.files = std::max(sonavex::kFolders, atoi(argv[3]));
  const bool chosenOnly = argc > 4 && strcmp(argv[4], "--chosen-only") == 0;
  setup.scratch = sonavex::bench::MakeScratchFolder(sonavex::bench::ScratchParent(0, argv, 1),
                                                    "sonavex-share-bench");
  const int status = sonavex::Run(setup, latency, chosenOnly);
  std::filesystem::remove_all(setup.scratch);
  return status;
}
