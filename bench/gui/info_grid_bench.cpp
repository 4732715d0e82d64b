// Filling the info grid with 10,000 small MP3 files of one directory against
// loading their information records alone. Offscreen:
//   QT_QPA_PLATFORM=offscreen build/bin/info_grid_bench
// SONAVEX_BENCH_FILES and SONAVEX_BENCH_PER_FOLDER set another tree, e.g.
// 100000 files, 100 to a folder (bench/scale.sh).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTabWidget>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/apply/tag_on_read.h"
#include "core/mp3/tinfo.h"
#include "gui/app_windows.h"
#include "support/mp3_tree.h"

namespace sonavex {
namespace {

int FromEnvironment(const char* name, int fallback) {
  const char* value = getenv(name);
  return value != nullptr && *value != '\0' ? atoi(value) : fallback;
}

const int kFiles = FromEnvironment("SONAVEX_BENCH_FILES", 10000);

using bench::NoReports;

// The grid's first filling would give untagged files their tag; the tree
// has them ensured already, so every pass reads the same.
const bench::Mp3Tree& TheDirectory() {
  static const bench::Mp3Tree tree(kFiles, FromEnvironment("SONAVEX_BENCH_PER_FOLDER", 0));
  return tree;
}

void BM_SetDateiEnsuringTag(benchmark::State& state) {
  NoReports reporter;
  ExecutorContext context;  // no journal: the tags are there already
  context.reporter = &reporter;
  TagOnRead tags(context);
  const TInfo::TagAppender appendTag = tags.Appender();
  for (auto _ : state) {
    for (const std::string& path : TheDirectory().paths()) {
      TInfo info;
      benchmark::DoNotOptimize(info.SetDatei(path, appendTag));
      benchmark::DoNotOptimize(info.Dauer.data());
    }
  }
  state.SetItemsProcessed(state.iterations() * kFiles);
}

void BM_FillInfoGrid(benchmark::State& state) {
  const std::string settings = TheDirectory().root() + ".INI";
  std::ofstream(settings) << "[Datei]\nTyp=*.mp3\nVerzeichnis=" << TheDirectory().root() << "\n";
  NoReports reporter;
  AppWindows windows = CreateWindows(settings, reporter);
  MainWindow& window = *windows.main;
  window.findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentIndex(1);
  for (auto _ : state) window.FillInfoGrid();
  state.SetItemsProcessed(state.iterations() * window.entryCount());
  std::filesystem::remove(settings);
}

BENCHMARK(BM_SetDateiEnsuringTag)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillInfoGrid)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace sonavex

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  sonavex::TheDirectory();  // built before any timing starts
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
