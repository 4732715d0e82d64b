// Loading the information record of 10,000 small MP3 files against the least
// a reader of header and tag must do: stat, open, read the first 4 KiB, read
// the last 128 bytes, close.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "core/apply/tag_on_read.h"
#include "core/mp3/tinfo.h"
#include "support/mp3_tree.h"

namespace sonavex {
namespace {

constexpr int kFiles = 10000;
constexpr int kPerDirectory = 500;

using bench::NoReports;

const bench::Mp3Tree& TheTree() {
  static const bench::Mp3Tree tree(kFiles, kPerDirectory);
  return tree;
}

void BM_PlainReadLoop(benchmark::State& state) {
  const auto& paths = TheTree().paths();
  char head[4096];
  char tail[128];
  for (auto _ : state) {
    for (const std::string& path : paths) {
      struct stat st{};
      stat(path.c_str(), &st);
      const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
      benchmark::DoNotOptimize(pread(fd, head, sizeof head, 0));
      benchmark::DoNotOptimize(pread(fd, tail, sizeof tail, st.st_size - 128));
      close(fd);
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<long>(paths.size()));
}

void BM_SetDatei(benchmark::State& state) {
  const auto& paths = TheTree().paths();
  for (auto _ : state) {
    for (const std::string& path : paths) {
      TInfo info;
      benchmark::DoNotOptimize(info.SetDatei(path));
      benchmark::DoNotOptimize(info.Dauer.data());
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<long>(paths.size()));
}

// The grid's call: SetDatei with the empty tag ensured (already present here).
void BM_SetDateiEnsuringTag(benchmark::State& state) {
  const auto& paths = TheTree().paths();
  NoReports reporter;
  ExecutorContext context;  // no journal: the tags are there already
  context.reporter = &reporter;
  TagOnRead tags(context);
  const TInfo::TagAppender appendTag = tags.Appender();
  for (auto _ : state) {
    for (const std::string& path : paths) {
      TInfo info;
      benchmark::DoNotOptimize(info.SetDatei(path, appendTag));
      benchmark::DoNotOptimize(info.Dauer.data());
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<long>(paths.size()));
}

BENCHMARK(BM_PlainReadLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SetDatei)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SetDateiEnsuringTag)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace sonavex

BENCHMARK_MAIN();
