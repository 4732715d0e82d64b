#pragma once
// What the benchmarks that run against a plain C loop share: the folders of
// a tree as the loop finds them, a stopwatch and the median.
#include <dirent.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

namespace sonavex::bench {

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

inline double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace sonavex::bench
