// Replaces a folder name in every line of 101 playlists (100 to 10,000
// lines each) and back, through the batch engine ('Z' planned and applied,
// journal on), and the same through a plain C loop that reads each file,
// replaces with memmem, writes a temporary file, syncs it and renames it
// over the playlist. Both run on the same files in alternating rounds.
//
// Usage: text_replace_bench [directory-to-create-the-files-in] [rounds]
// Figures mean something only from an optimised build without sanitizers:
//   cmake -S . -B build-rel -G Ninja -DCMAKE_BUILD_TYPE=Release
//         -DSONAVEX_BUILD_GUI=OFF -DSONAVEX_BUILD_TESTS=OFF
//   cmake --build build-rel -j2 --target text_replace_bench
//   build-rel/bin/text_replace_bench /tmp 11
#define _GNU_SOURCE 1
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/apply/executor.h"
#include "support/plain_timing.h"
#include "support/scratch_journal.h"

namespace {

using sonavex::bench::Median;
using sonavex::bench::Seconds;

constexpr int kPlaylists = 101;

std::string MakePlaylists(const std::string& parent) {
  const std::string root = sonavex::bench::MakeScratchFolder(parent, "sonavex-text-bench");
  for (int i = 0; i < kPlaylists; ++i) {
    const int lines = 100 + i * 99;
    std::string text;
    for (int line = 0; line < lines; ++line) {
      text += "C:\\Musik\\Album " + std::to_string(line % 37) + "\\Titel " +
              std::to_string(line) + ".mp3\r\n";
    }
    FILE* file = fopen((root + "/list" + std::to_string(i) + ".m3u").c_str(), "wb");
    fwrite(text.data(), 1, text.size(), file);
    fclose(file);
  }
  return root;
}

void Engine(const std::string& root, const char32_t* search, const char32_t* replacement,
            sonavex::Journal* journal) {
  sonavex::BatchContext context;
  context.mask = U"*.m3u";
  sonavex::ExecutorContext executor;
  executor.journal = journal;
  sonavex::RunSelection(sonavex::Operation::Z,
                        sonavex::TextReplaceParams{search, replacement}, root, {}, context,
                        executor);
}

void PlainFile(const std::string& path, const std::string& from, const std::string& to) {
  FILE* in = fopen(path.c_str(), "rb");
  std::string text;
  char buffer[65536];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, in)) > 0;) text.append(buffer, n);
  fclose(in);
  std::string out;
  const char* at = text.data();
  const char* end = at + text.size();
  while (const char* hit = static_cast<const char*>(
             memmem(at, static_cast<size_t>(end - at), from.data(), from.size()))) {
    out.append(at, hit);
    out += to;
    at = hit + from.size();
  }
  out.append(at, end);
  const std::string temporary = path + ".tmp";
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
  if (fd < 0 || write(fd, out.data(), out.size()) != static_cast<ssize_t>(out.size()) ||
      fsync(fd) != 0 || close(fd) != 0 || rename(temporary.c_str(), path.c_str()) != 0) {
    perror(path.c_str());
    exit(1);
  }
}

void PlainLoop(const std::string& root, const std::string& from, const std::string& to) {
  DIR* dir = opendir(root.c_str());
  std::vector<std::string> names;
  while (const dirent* entry = readdir(dir)) {
    if (entry->d_name[0] != '.') names.push_back(entry->d_name);
  }
  closedir(dir);
  for (const std::string& name : names) PlainFile(root + "/" + name, from, to);
}

bool AllHold(const std::string& root, const std::string& text) {
  FILE* in = fopen((root + "/list0.m3u").c_str(), "rb");
  char line[256] = {};
  const bool ok = in != nullptr && fgets(line, sizeof line, in) != nullptr &&
                  strstr(line, text.c_str()) == line;
  if (in != nullptr) fclose(in);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string parent = sonavex::bench::ScratchParent(argc, argv, 1);
  const int rounds = sonavex::bench::Rounds(argc, argv, 2, 11);
  const std::string root = MakePlaylists(parent);
  const sonavex::bench::ScratchJournal journal(parent);
  std::vector<double> engine, unjournaled, plain;
  bool correct = true;
  const auto replaced = [&] { return AllHold(root, "D:\\Neu\\"); };
  const auto engineRound = [&] {
    sonavex::bench::ThereAndBack(
        engine, correct, [&] { Engine(root, U"C:\\Musik", U"D:\\Neu", journal.get()); },
        replaced, [&] { Engine(root, U"D:\\Neu", U"C:\\Musik", journal.get()); });
    // The same without the journal: its share of the time.
    sonavex::bench::ThereAndBack(
        unjournaled, correct, [&] { Engine(root, U"C:\\Musik", U"D:\\Neu", nullptr); },
        replaced, [&] { Engine(root, U"D:\\Neu", U"C:\\Musik", nullptr); });
  };
  const auto plainRound = [&] {
    sonavex::bench::ThereAndBack(
        plain, correct, [&] { PlainLoop(root, "C:\\Musik", "D:\\Neu"); }, replaced,
        [&] { PlainLoop(root, "D:\\Neu", "C:\\Musik"); });
  };
  sonavex::bench::AlternateRounds(rounds, engineRound, plainRound);
  std::filesystem::remove_all(root);
  const double e = Median(engine), p = Median(plain);
  printf("%d playlists of 100 to 10,000 lines in %s, %d rounds, each round replaces "
         "in every line and back\n", kPlaylists, parent.c_str(), rounds);
  printf("engine ('Z' planned and applied, journal on): median %.1f ms\n", e * 1e3);
  printf("plain C loop (read, memmem, write + fsync, rename): median %.1f ms\n", p * 1e3);
  printf("engine without the journal: median %.1f ms\n", Median(unjournaled) * 1e3);
  printf("ratio engine / plain: %.3f of the medians, %.3f paired (target 1.5)\n", e / p,
         sonavex::bench::MedianOfRatios(engine, plain));
  printf("ratio engine without the journal / plain: %.3f paired\n",
         sonavex::bench::MedianOfRatios(unjournaled, plain));
  if (!correct) printf("ERROR: not every line was replaced\n");
  return correct ? 0 : 1;
}
