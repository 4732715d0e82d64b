// Renames every file of a generated tree (100 folders of 100 files) with 'X'
// replacing " - " by " -- " and back, through the batch engine, and the same
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
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/batch/batch.h"
#include "support/plain_timing.h"

namespace {

using sonavex::bench::Median;
using sonavex::bench::Seconds;
using sonavex::bench::SubfolderPaths;

constexpr int kFolders = 100;
constexpr int kFilesPerFolder = 100;

std::string MakeTree(const std::string& parent) {
  std::string root = parent + "/sonavex-bench-XXXXXX";
  if (mkdtemp(root.data()) == nullptr) {
    perror("mkdtemp");
    exit(1);
  }
  for (int d = 0; d < kFolders; ++d) {
    const std::string folder = root + "/Folder " + std::to_string(d);
    std::filesystem::create_directory(folder);
    for (int f = 0; f < kFilesPerFolder; ++f) {
      const std::string name = folder + "/Artist " + std::to_string(d) +
                               " - Title " + std::to_string(f) + ".mp3";
      const int fd = open(name.c_str(), O_CREAT | O_WRONLY, 0644);
      if (fd < 0) {
        perror(name.c_str());
        exit(1);
      }
      close(fd);
    }
  }
  return root;
}

// The C loop: one readdir pass per folder, then one renameat2 per file.
void ReplaceInFolder(const char* folder, const char* search,
                     const char* replacement) {
  DIR* dir = opendir(folder);
  if (dir == nullptr) return;
  std::vector<std::string> names;
  while (const dirent* entry = readdir(dir)) {
    if (entry->d_type == DT_REG) names.emplace_back(entry->d_name);
  }
  const int fd = dirfd(dir);
  const size_t searchLength = strlen(search);
  char target[1024];
  for (const std::string& name : names) {
    const char* hit = strstr(name.c_str(), search);
    if (hit == nullptr) continue;
    snprintf(target, sizeof target, "%.*s%s%s", static_cast<int>(hit - name.c_str()),
             name.c_str(), replacement, hit + searchLength);
    if (renameat2(fd, name.c_str(), fd, target, RENAME_NOREPLACE) != 0) {
      perror(target);
    }
  }
  closedir(dir);
}

void PlainLoop(const std::string& root, const char* search,
               const char* replacement) {
  for (const std::string& folder : SubfolderPaths(root)) {
    ReplaceInFolder(folder.c_str(), search, replacement);
  }
}

void Engine(const std::string& root, const char32_t* search,
            const char32_t* replacement) {
  sonavex::BatchContext context;
  context.mask = U"*.mp3";
  context.recursive = true;
  context.nameEdits.search = search;
  context.nameEdits.replacement = replacement;
  sonavex::RunOperation('X', root, context);
}

bool AllRenamedTo(const std::string& root, const char* part) {
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (entry.is_regular_file() &&
        entry.path().filename().string().find(part) == std::string::npos) {
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const char* tmp = getenv("TMPDIR");
  const std::string parent = argc > 1 ? argv[1] : (tmp && *tmp ? tmp : "/tmp");
  const int rounds = argc > 2 ? std::max(1, atoi(argv[2])) : 11;
  const std::string root = MakeTree(parent);
  const int files = kFolders * kFilesPerFolder;

  std::vector<double> engine, plain;
  bool correct = true;
  const auto engineRound = [&] {
    engine.push_back(Seconds([&] { Engine(root, U" - ", U" -- "); }));
    correct = correct && AllRenamedTo(root, " -- ");
    engine.back() += Seconds([&] { Engine(root, U" -- ", U" - "); });
  };
  const auto plainRound = [&] {
    plain.push_back(Seconds([&] { PlainLoop(root, " - ", " -- "); }));
    correct = correct && AllRenamedTo(root, " -- ");
    plain.back() += Seconds([&] { PlainLoop(root, " -- ", " - "); });
  };
  for (int round = 0; round < rounds; ++round) {
    // Taking turns at going first keeps any warm-up from favouring one side.
    if (round % 2 == 0) {
      engineRound();
      plainRound();
    } else {
      plainRound();
      engineRound();
    }
  }
  std::filesystem::remove_all(root);

  std::vector<double> ratios;
  for (std::size_t i = 0; i < engine.size(); ++i) ratios.push_back(engine[i] / plain[i]);
  const double e = Median(engine), p = Median(plain);
  printf("tree: %d folders x %d files in %s, %d rounds, each round renames "
         "every file twice\n", kFolders, kFilesPerFolder, parent.c_str(), rounds);
  printf("engine ('X' through RunOperation): median %.1f ms, %.2f us per rename\n",
         e * 1e3, e * 1e6 / (2.0 * files));
  printf("plain C loop (readdir + renameat2): median %.1f ms, %.2f us per rename\n",
         p * 1e3, p * 1e6 / (2.0 * files));
  printf("best rounds: engine %.1f ms, plain %.1f ms, ratio %.3f\n",
         *std::min_element(engine.begin(), engine.end()) * 1e3,
         *std::min_element(plain.begin(), plain.end()) * 1e3,
         *std::min_element(engine.begin(), engine.end()) /
             *std::min_element(plain.begin(), plain.end()));
  printf("ratio engine / plain: %.3f of the medians, %.3f median of the "
         "rounds (target 1.25)\n", e / p, Median(ratios));
  if (!correct) printf("ERROR: not every file was renamed\n");
  return correct ? 0 : 1;
}
