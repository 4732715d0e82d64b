// The whole `info` command of the command-line tool (process start to exit,
// output to /dev/null) on 10,000 small MP3 files in 100 folders, against a
// plain C loop in this process that reads each folder once and for each file
// (by its full path, as the tool names it) stats it, opens it, reads its first 4 KiB and its last 128 bytes and closes
// it. Both run on the same tree in alternating rounds, so that cache state
// favours neither. Besides the wall-clock times it gives the CPU times
// (user + system) of both, which a busy machine disturbs less.
//
// Usage: cli_info_bench [rounds] [directory-to-create-the-tree-in] [cli]
// With SONAVEX_BENCH_TREE set, the tree found there (10,000 MP3 files in
// folders) is used instead of a generated one, for example one of larger
// files.
// Figures mean something only from an optimised build without sanitizers:
//   cmake -S . -B build-rel -G Ninja -DCMAKE_BUILD_TYPE=Release
//   cmake --build build-rel -j2 --target cli_info_bench mp3sonavex-cli
//   build-rel/bin/cli_info_bench 21
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "support/mp3_tree.h"
#include "support/plain_timing.h"
#include "support/process.h"

namespace {

using sonavex::bench::Median;
using sonavex::bench::OwnCpuSeconds;
using sonavex::bench::Seconds;
using sonavex::bench::SubfolderPaths;

constexpr int kFiles = 10000;
constexpr int kPerFolder = 100;

// What the loop reads, kept so that the reads cannot be left out.
long g_checksum = 0;

void ReadFiles(const std::string& folder) {
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return;
  std::vector<std::string> names;
  while (const dirent* entry = readdir(dir)) {
    if (entry->d_type == DT_REG) names.emplace_back(entry->d_name);
  }
  closedir(dir);
  char head[4096];
  char tail[128];
  for (const std::string& name : names) {
    const std::string path = folder + "/" + name;
    struct stat st{};
    stat(path.c_str(), &st);
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    g_checksum += pread(fd, head, sizeof head, 0);
    g_checksum += pread(fd, tail, sizeof tail, st.st_size - 128);
    close(fd);
  }
}

void PlainLoop(const std::string& root) {
  for (const std::string& folder : SubfolderPaths(root)) ReadFiles(folder);
}

// Runs the tool with its output going to `output`; returns its exit status
// and adds the CPU time it took to `cpu`.
int RunCli(const std::string& cli, const std::string& root, const char* output,
           double* cpu = nullptr) {
  return sonavex::bench::RunProcess({cli, "--dir", root, "--recursive", "info"}, output, cpu);
}

long LineCount(const std::string& path) {
  std::ifstream in(path);
  return std::count(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>(), '\n');
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = sonavex::bench::Rounds(argc, argv, 1, 21);
  if (argc > 2) setenv("TMPDIR", argv[2], 1);
  const std::string cli = argc > 3 ? argv[3] : SONAVEX_CLI_PATH;
  const char* given = getenv("SONAVEX_BENCH_TREE");
  std::optional<sonavex::bench::Mp3Tree> tree;
  if (given == nullptr) tree.emplace(kFiles, kPerFolder);
  const std::string root = given != nullptr ? given : tree->root();

  // One untimed run checks that the tool reads every file and reports nothing.
  const std::string listing = root + "/../" + "sonavex-bench-info.txt";
  const int status = RunCli(cli, root, listing.c_str());
  const long lines = LineCount(listing);
  remove(listing.c_str());
  if (status != 0 || lines != kFiles) {
    fprintf(stderr, "%s: exit status %d, %ld lines for %d files\n", cli.c_str(), status,
            lines, kFiles);
    return 1;
  }

  sonavex::bench::Timings command, plain;
  const auto commandRound = [&] {
    sonavex::bench::TimeRun(command, [&](double* cpu) { RunCli(cli, root, "/dev/null", cpu); });
  };
  const auto plainRound = [&] {
    sonavex::bench::TimeRun(plain, [&](double* cpu) {
      const double before = OwnCpuSeconds();
      PlainLoop(root);
      *cpu = OwnCpuSeconds() - before;
    });
  };
  sonavex::bench::AlternateRounds(rounds, commandRound, plainRound);

  const double pairedRatio = sonavex::bench::MedianOfRatios(command.wall, plain.wall);
  const double c = Median(command.wall), p = Median(plain.wall);
  printf("tree: %d files in %d folders under %s, %d rounds\n", kFiles, kFiles / kPerFolder,
         root.c_str(), rounds);
  printf("%s --dir ROOT --recursive info >/dev/null: median %.1f ms, %.2f us per file\n",
         cli.c_str(), c * 1e3, c * 1e6 / kFiles);
  printf("plain C loop (readdir, stat, open, 4 KiB + 128 B pread, close): median %.1f ms, "
         "%.2f us per file\n", p * 1e3, p * 1e6 / kFiles);
  printf("ratio command / loop: %.3f of the medians, %.3f median of the paired rounds "
         "(target 1.4)\n", c / p, pairedRatio);
  const double cc = Median(command.cpu), pc = Median(plain.cpu);
  printf("CPU time (user + system): command median %.1f ms, loop median %.1f ms, "
         "ratio %.3f\n", cc * 1e3, pc * 1e3, cc / pc);
  return g_checksum > 0 ? 0 : 1;
}
