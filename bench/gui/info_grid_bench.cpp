// Filling the info grid with 10,000 small MP3 files of one directory against
// loading their information records alone. Offscreen:
//   QT_QPA_PLATFORM=offscreen build/bin/info_grid_bench
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTabWidget>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/fs/fs.h"
#include "core/mp3/id3v1.h"
#include "core/mp3/tinfo.h"
#include "gui/app_windows.h"

namespace sonavex {
namespace {

constexpr int kFiles = 10000;

struct NoReports : Reporter {
  void Report(MessageKind, const std::u32string&, MessageButton) override {}
};

std::string Frames(int count) {
  std::string frame("\xFF\xFB\x90\x44", 4);
  frame.resize(417, '\x55');
  std::string out;
  for (int i = 0; i < count; ++i) out += frame;
  return out;
}

std::string Id3v2Tag() {
  std::string data(2048, '\0');
  for (std::size_t i = 0; i + 1 < data.size(); i += 64) {
    data[i] = '\xFF';
    data[i + 1] = '\xF0';
  }
  return std::string("ID3\x03\x00\x00\x00\x00\x10\x00", 10) + data;
}

std::string Id3v1Tag(const std::string& title) {
  std::string tag = "TAG" + std::string(125, ' ');
  tag.replace(3, title.size(), title);
  return tag;
}

// A third with ID3v1, a third with ID3v2, a third untagged; the grid's first
// filling gives the untagged ones their tag, so every pass reads the same.
class Directory {
 public:
  Directory() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/sonavex-grid-XXXXXX";
    root_ = mkdtemp(pattern.data());
    NoReports reporter;
    for (int i = 0; i < kFiles; ++i) {
      const std::string name = "Song " + std::to_string(i) + ".mp3";
      std::string bytes = Frames(8);
      if (i % 3 == 0) bytes += Id3v1Tag("Title " + std::to_string(i));
      if (i % 3 == 1) bytes = Id3v2Tag() + bytes;
      std::ofstream(JoinPath(root_, name), std::ios::binary) << bytes;
      EnsureTag(JoinPath(root_, name), reporter);
      paths_.push_back(JoinPath(root_, name));
    }
  }
  ~Directory() { std::filesystem::remove_all(root_); }
  const std::string& root() const { return root_; }
  const std::vector<std::string>& paths() const { return paths_; }

 private:
  std::string root_;
  std::vector<std::string> paths_;
};

const Directory& TheDirectory() {
  static const Directory directory;
  return directory;
}

void BM_SetDateiEnsuringTag(benchmark::State& state) {
  NoReports reporter;
  for (auto _ : state) {
    for (const std::string& path : TheDirectory().paths()) {
      TInfo info;
      benchmark::DoNotOptimize(info.SetDatei(path, reporter));
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
