#pragma once
// What the benchmarks that run against a plain C loop share: their
// command-line arguments, scratch folders, the folders of a tree as the
// loop finds them, a stopwatch, rounds there and back, and the median.
#include <dirent.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

namespace sonavex::bench {

// argv[index] when given, else $TMPDIR, else /tmp: where the scratch trees go.
inline std::string ScratchParent(int argc, char** argv, int index) {
  if (argc > index) return argv[index];
  const char* tmp = getenv("TMPDIR");
  return tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
}

// The number of rounds in argv[index] (at least 1), else `fallback`.
inline int Rounds(int argc, char** argv, int index, int fallback) {
  return argc > index ? std::max(1, atoi(argv[index])) : fallback;
}

// A fresh folder `parent`/`prefix`-XXXXXX; a benchmark without one cannot
// go on, so a failure ends the program.
inline std::string MakeScratchFolder(const std::string& parent, const std::string& prefix) {
  std::string folder = parent + "/" + prefix + "-XXXXXX";
  if (mkdtemp(folder.data()) == nullptr) {
    perror("mkdtemp");
    exit(1);
  }
  return folder;
}

// The paths of the folders directly below `root` (dot names left out), in
// the order readdir gives them.
inline std::vector<std::string> SubfolderPaths(const std::string& root) {
  std::vector<std::string> folders;
  DIR* dir = opendir(root.c_str());
  if (dir == nullptr) return folders;
  while (const dirent* entry = readdir(dir)) {
    if (entry->d_type == DT_DIR && entry->d_name[0] != '.') {
      folders.push_back(root + "/" + entry->d_name);
    }
  }
  closedir(dir);
  return folders;
}

template <typename Run>
double Seconds(Run run) {
  const auto start = std::chrono::steady_clock::now();
  run();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Runs both sides `rounds` times, taking turns at going first so that any
// warm-up favours neither.
template <typename EngineRound, typename PlainRound>
void AlternateRounds(int rounds, EngineRound engineRound, PlainRound plainRound) {
  for (int round = 0; round < rounds; ++round) {
    if (round % 2 == 0) {
      engineRound();
      plainRound();
    } else {
      plainRound();
      engineRound();
    }
  }
}

// One timed round that changes the tree and changes it back: `there`, an
// untimed check that it took, then `back`; the sum goes to `samples`.
template <typename There, typename Holds, typename Back>
void ThereAndBack(std::vector<double>& samples, bool& correct, There there, Holds holds,
                  Back back) {
  samples.push_back(Seconds(there));
  correct = correct && holds();
  samples.back() += Seconds(back);
}

inline double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// The median of the ratios a[i] / b[i] of rounds run side by side: steadier
// than the ratio of the medians when the machine's load changes.
inline double MedianOfRatios(const std::vector<double>& a, const std::vector<double>& b) {
  std::vector<double> ratios;
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) ratios.push_back(a[i] / b[i]);
  return Median(ratios);
}

// Wall-clock and CPU seconds of each run of one side.
struct Timings {
  std::vector<double> wall;
  std::vector<double> cpu;
};

// Times `run`, which reports the CPU seconds it used through its argument.
template <typename Run>
void TimeRun(Timings& timings, Run run) {
  double cpu = 0;
  timings.wall.push_back(Seconds([&] { run(&cpu); }));
  timings.cpu.push_back(cpu);
}

}  // namespace sonavex::bench
