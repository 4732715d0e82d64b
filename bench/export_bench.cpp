// The list export with all thirteen columns (`P LIST --columns 1,...,13`,
// process start to exit, the list written to a file beside the tree)
// against `info` over the same 10,000 small MP3 files in 100 folders
// (output to /dev/null). Both run on the same tree in alternating rounds,
// so that cache state favours neither; CPU times (user + system) are given
// as well, which a busy machine disturbs less.
//
// Usage: export_bench [rounds] [directory-to-create-the-tree-in] [cli]
// Figures mean something only from an optimised build without sanitizers:
//   cmake -S . -B build-rel -G Ninja -DCMAKE_BUILD_TYPE=Release
//   cmake --build build-rel -j2 --target export_bench mp3sonavex-cli
//   build-rel/bin/export_bench 21
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "support/mp3_tree.h"
#include "support/plain_timing.h"
#include "support/process.h"

namespace {

using sonavex::bench::Median;
using sonavex::bench::Seconds;

constexpr int kFiles = 10000;
constexpr int kPerFolder = 100;

int RunExport(const std::string& cli, const std::string& root, const std::string& list,
              double* cpu = nullptr) {
  return sonavex::bench::RunProcess(
      {cli, "--dir", root, "--recursive", "--journal", list + ".journal", "P", list,
       "--columns", "1,2,3,4,5,6,7,8,9,10,11,12,13"},
      "/dev/null", cpu);
}

int RunInfo(const std::string& cli, const std::string& root, double* cpu = nullptr) {
  return sonavex::bench::RunProcess({cli, "--dir", root, "--recursive", "info"}, "/dev/null",
                                    cpu);
}

long CrLfCount(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  long count = 0;
  for (std::size_t at = text.find("\r\n"); at != std::string::npos;
       at = text.find("\r\n", at + 2)) {
    ++count;
  }
  return count;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = sonavex::bench::Rounds(argc, argv, 1, 21);
  if (argc > 2) setenv("TMPDIR", argv[2], 1);
  const std::string cli = argc > 3 ? argv[3] : SONAVEX_CLI_PATH;
  sonavex::bench::Mp3Tree tree(kFiles, kPerFolder);
  const std::string root = tree.root();
  const std::string list = root + "/../sonavex-bench-export.csv";

  // One untimed run checks that every file and every folder has its line.
  const int status = RunExport(cli, root, list);
  const long lines = CrLfCount(list);
  if (status != 0 || lines != kFiles + kFiles / kPerFolder) {
    fprintf(stderr, "%s: exit status %d, %ld lines for %d files\n", cli.c_str(), status,
            lines, kFiles);
    return 1;
  }

  sonavex::bench::Timings exported, info;
  const auto exportRound = [&] {
    sonavex::bench::TimeRun(exported, [&](double* cpu) { RunExport(cli, root, list, cpu); });
  };
  const auto infoRound = [&] {
    sonavex::bench::TimeRun(info, [&](double* cpu) { RunInfo(cli, root, cpu); });
  };
  sonavex::bench::AlternateRounds(rounds, exportRound, infoRound);
  remove(list.c_str());
  remove((list + ".journal").c_str());

  const double pairedRatio = sonavex::bench::MedianOfRatios(exported.wall, info.wall);
  const double e = Median(exported.wall), i = Median(info.wall);
  printf("tree: %d files in %d folders under %s, %d rounds\n", kFiles, kFiles / kPerFolder,
         root.c_str(), rounds);
  printf("P LIST --columns 1..13: median %.1f ms; info >/dev/null: median %.1f ms\n",
         e * 1e3, i * 1e3);
  printf("ratio export / info: %.3f of the medians, %.3f median of the paired rounds "
         "(target 1.3)\n", e / i, pairedRatio);
  const double ec = Median(exported.cpu), ic = Median(info.cpu);
  printf("CPU time (user + system): export median %.1f ms, info median %.1f ms, ratio %.3f\n",
         ec * 1e3, ic * 1e3, ec / ic);
  return 0;
}
