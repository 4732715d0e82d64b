// Edits the title of every file of a generated collection (10,000 small MP3
// files in 100 folders, tags ensured): 'B' appends "-bench" to the title,
// then 'A' deletes the last 6 characters again, both through the batch
// engine (plan, then apply, with the undo journal kept in a temporary
// directory). Against it, a plain C loop over the same files that per file
// opens, stats, reads the first 4 KiB and the last 128 bytes, writes the 90
// bytes of title, artist and album in one pwrite and closes, also once to
// append and once to delete. Both run in the same process, in alternating
// rounds, so that cache state favours neither.
//
// Usage: tag_bench [directory-to-create-the-tree-in] [rounds]
// Figures mean something only from an optimised build without sanitizers:
//   cmake -S . -B build-rel -G Ninja -DCMAKE_BUILD_TYPE=Release
//         -DSONAVEX_BUILD_GUI=OFF -DSONAVEX_BUILD_TESTS=OFF -DSONAVEX_BUILD_BENCH=ON
//   cmake --build build-rel -j2 --target tag_bench
//   build-rel/bin/tag_bench /tmp 11
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/apply/executor.h"
#include "core/journal/journal.h"
#include "support/mp3_tree.h"
#include "support/plain_timing.h"
#include "support/scratch_journal.h"

namespace {

using sonavex::bench::Median;
using sonavex::bench::Seconds;
using sonavex::bench::SubfolderPaths;

constexpr int kFolders = 100;
constexpr int kFilesPerFolder = 100;
constexpr int kFiles = kFolders * kFilesPerFolder;
constexpr char kSuffix[] = "-bench";
constexpr std::size_t kSuffixLength = sizeof kSuffix - 1;

// The title of a 90-byte field block with the suffix appended or taken off
// again, blank-padded; the other two fields stay as they are.
void EditTitle(char* fields, bool append) {
  std::size_t length = 30;
  while (length > 0 && (fields[length - 1] == ' ' || fields[length - 1] == '\0')) --length;
  if (append) {
    const std::size_t room = std::min(kSuffixLength, 30 - length);
    memcpy(fields + length, kSuffix, room);
  } else if (length >= kSuffixLength) {
    memset(fields + length - kSuffixLength, ' ', kSuffixLength);
  }
}

// The C loop on one file: open, stat, the first 4 KiB, the last 128 bytes,
// one pwrite of the three text fields, close.
void EditFile(int folder, const char* name, bool append) {
  const int fd = openat(folder, name, O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    perror(name);
    return;
  }
  struct stat st{};
  char head[4096];
  char tag[128];
  if (fstat(fd, &st) != 0 || pread(fd, head, sizeof head, 0) < 0 ||
      pread(fd, tag, sizeof tag, st.st_size - 128) != 128 || memcmp(tag, "TAG", 3) != 0) {
    perror(name);
  } else {
    EditTitle(tag + 3, append);
    if (pwrite(fd, tag + 3, 90, st.st_size - 125) != 90) perror(name);
  }
  close(fd);
}

void PlainLoop(const std::string& root, bool append) {
  for (const std::string& path : SubfolderPaths(root)) {
    DIR* dir = opendir(path.c_str());
    if (dir == nullptr) continue;
    while (const dirent* entry = readdir(dir)) {
      if (entry->d_type == DT_REG) EditFile(dirfd(dir), entry->d_name, append);
    }
    closedir(dir);
  }
}

void Engine(const std::string& root, const sonavex::OperationParams& params,
            sonavex::Operation code, sonavex::Journal* journal) {
  sonavex::bench::NoReports quiet;
  sonavex::BatchContext context;
  context.mask = U"*.mp3";
  context.recursive = true;
  context.reporter = &quiet;
  sonavex::ExecutorContext executor;
  executor.journal = journal;
  executor.onJournalFailure = [](std::error_code ec) {
    fprintf(stderr, "journal: %s\n", ec.message().c_str());
    exit(1);
  };
  const sonavex::ApplyResult result =
      sonavex::RunSelection(code, params, root, {}, context, executor);
  if (result.failed != 0) {
    fprintf(stderr, "%d files failed\n", result.failed);
    exit(1);
  }
}

void EngineAppend(const std::string& root, sonavex::Journal* journal) {
  sonavex::TagInsertParams params;
  params.titel.after = U"-bench";
  Engine(root, params, sonavex::Operation::B, journal);
}

void EngineDelete(const std::string& root, sonavex::Journal* journal) {
  sonavex::TagDeleteParams params;
  params.titel.last = static_cast<long>(kSuffixLength);
  Engine(root, params, sonavex::Operation::A, journal);
}

// Every file's content, to see that each round leaves the tree as it was.
std::vector<std::string> Contents(const std::vector<std::string>& paths) {
  std::vector<std::string> out;
  out.reserve(paths.size());
  for (const std::string& path : paths) {
    std::string bytes;
    sonavex::ReadWholeFile(path, bytes);
    out.push_back(std::move(bytes));
  }
  return out;
}

// True when every title carries the suffix.
bool AllAppended(const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    std::string bytes;
    sonavex::ReadWholeFile(path, bytes);
    const std::string title = bytes.substr(bytes.size() - 125, 30);
    if (title.find(kSuffix) == std::string::npos) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string parent = sonavex::bench::ScratchParent(argc, argv, 1);
  const int rounds = sonavex::bench::Rounds(argc, argv, 2, 11);
  setenv("TMPDIR", parent.c_str(), 1);
  const sonavex::bench::Mp3Tree tree(kFiles, kFilesPerFolder);
  const std::string& root = tree.root();
  const std::vector<std::string> original = Contents(tree.paths());
  const sonavex::bench::ScratchJournal journal(parent);

  std::vector<double> engine, plain;
  bool correct = true;
  const auto appended = [&] { return AllAppended(tree.paths()); };
  const auto engineRound = [&] {
    sonavex::bench::ThereAndBack(
        engine, correct, [&] { EngineAppend(root, journal.get()); }, appended,
        [&] { EngineDelete(root, journal.get()); });
    correct = correct && Contents(tree.paths()) == original;
  };
  const auto plainRound = [&] {
    sonavex::bench::ThereAndBack(
        plain, correct, [&] { PlainLoop(root, true); }, appended,
        [&] { PlainLoop(root, false); });
    correct = correct && Contents(tree.paths()) == original;
  };
  sonavex::bench::AlternateRounds(rounds, engineRound, plainRound);

  const double pairedRatio = sonavex::bench::MedianOfRatios(engine, plain);
  const double e = Median(engine), p = Median(plain);
  printf("tree: %d folders x %d files in %s, %d rounds, each round writes every "
         "title twice\n", kFolders, kFilesPerFolder, parent.c_str(), rounds);
  printf("engine ('B' then 'A' planned and applied, journal on): median %.1f ms, "
         "%.2f us per file write\n", e * 1e3, e * 1e6 / (2.0 * kFiles));
  printf("plain C loop (open, fstat, 4 KiB + 128 B read, 90 B pwrite, close): median "
         "%.1f ms, %.2f us per file write\n", p * 1e3, p * 1e6 / (2.0 * kFiles));
  printf("ratio engine / plain: %.3f of the medians, %.3f median of the rounds "
         "(target 2.5)\n", e / p, pairedRatio);
  if (!correct) printf("ERROR: the titles did not come back as they were\n");
  return correct ? 0 : 1;
}
