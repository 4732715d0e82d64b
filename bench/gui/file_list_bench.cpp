// The file list on a directory of 100,000 files: the three mark commands
// (each ends with RefreshView) and RefreshView alone, starting from every
// other entry marked, which gives the selection the most ranges; entering the
// directory (list filled, status bar set) against the command-line tool's
// `list` of the same directory, run beside this program. Offscreen:
//   QT_QPA_PLATFORM=offscreen build-rel/bin/file_list_bench
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QItemSelection>
#include <QListView>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "gui/app_windows.h"
#include "support/mp3_tree.h"

extern char** environ;

namespace sonavex {
namespace {

constexpr int kFiles = 100000;

using bench::NoReports;

// A big directory of empty files, and an empty one to come from.
class BigDirectory {
 public:
  BigDirectory() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern =
        std::string(base && *base ? base : "/tmp") + "/sonavex-list-bench-XXXXXX";
    root_ = mkdtemp(pattern.data());
    std::filesystem::create_directory(full());
    std::filesystem::create_directory(empty());
    for (int i = 0; i < kFiles; ++i) {
      // Mixed letter case, so the sort has to fold.
      const char* prefix = i % 2 == 0 ? "/Titel " : "/titel ";
      std::ofstream(full() + prefix + std::to_string(i) + ".mp3");
    }
  }
  ~BigDirectory() { std::filesystem::remove_all(root_); }
  BigDirectory(const BigDirectory&) = delete;
  BigDirectory& operator=(const BigDirectory&) = delete;

  std::string full() const { return root_ + "/voll"; }
  std::string empty() const { return root_ + "/leer"; }
  std::string settings() const { return root_ + "/bench.INI"; }

 private:
  std::string root_;
};

const BigDirectory& TheDirectory() {
  static const BigDirectory directory;
  return directory;
}

// One window for all benchmarks, showing the big directory; it goes before
// the application object does.
AppWindows& Windows() {
  static AppWindows windows;
  return windows;
}

MainWindow& TheWindow() {
  static NoReports reporter;
  if (!Windows().main) {
    std::ofstream(TheDirectory().settings())
        << "[Datei]\nTyp=*.mp3\nVerzeichnis=" << TheDirectory().full() << "\n";
    Windows() = CreateWindows(TheDirectory().settings(), reporter);
  }
  return *Windows().main;
}

// Every other entry marked, set on the selection model directly.
void MarkEveryOther(MainWindow& window) {
  auto* list = window.findChild<QListView*>(QStringLiteral("FileListBox1"));
  QItemSelection ranges;
  for (int row = 0; row < list->model()->rowCount(); row += 2) {
    ranges.select(list->model()->index(row, 0), list->model()->index(row, 0));
  }
  list->selectionModel()->clearSelection();
  list->selectionModel()->select(ranges, QItemSelectionModel::Select);
}

template <void (MainWindow::*Command)()>
void BM_MarkCommand(benchmark::State& state) {
  MainWindow& window = TheWindow();
  for (auto _ : state) {
    state.PauseTiming();
    MarkEveryOther(window);
    state.ResumeTiming();
    (window.*Command)();
  }
  state.counters["marked"] = window.SelectedCount();
  state.SetItemsProcessed(state.iterations() * window.entryCount());
}

void BM_RefreshView(benchmark::State& state) {
  MainWindow& window = TheWindow();
  MarkEveryOther(window);
  for (auto _ : state) window.RefreshView();
  state.SetItemsProcessed(state.iterations() * window.entryCount());
}

// Entering ends with the list filled and the status bar set. Shown, the
// window then lays the list out and paints it, which the user waits for too.
void BM_EnterDirectory(benchmark::State& state) {
  MainWindow& window = TheWindow();
  const bool shown = state.range(0) != 0;
  window.setVisible(shown);
  for (auto _ : state) {
    state.PauseTiming();
    window.changeDirectory(TheDirectory().empty());
    QApplication::processEvents();
    state.ResumeTiming();
    window.changeDirectory(TheDirectory().full());
    if (shown) QApplication::processEvents();
  }
  state.counters["entries"] = window.entryCount();
  window.hide();
}

// The same directory's `list` by the command-line tool, start to exit, with
// its output thrown away.
void BM_CliList(benchmark::State& state) {
  const std::string cli =
      std::filesystem::read_symlink("/proc/self/exe").parent_path() / "mp3sonavex-cli";
  const std::string directory = TheDirectory().full();
  char* argv[] = {const_cast<char*>(cli.c_str()), const_cast<char*>("--dir"),
                  const_cast<char*>(directory.c_str()), const_cast<char*>("list"),
                  nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  for (auto _ : state) {
    pid_t pid = 0;
    int status = 0;
    if (posix_spawn(&pid, cli.c_str(), &actions, nullptr, argv, environ) != 0 ||
        waitpid(pid, &status, 0) != pid || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
      state.SkipWithError("mp3sonavex-cli list failed");
      break;
    }
  }
  posix_spawn_file_actions_destroy(&actions);
}

BENCHMARK(BM_MarkCommand<&MainWindow::MarkAll>)->Name("BM_MarkAll")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MarkCommand<&MainWindow::MarkNone>)->Name("BM_MarkNone")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MarkCommand<&MainWindow::InvertMarks>)->Name("BM_InvertMarks")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RefreshView)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EnterDirectory)->ArgName("shown")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CliList)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace sonavex

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  sonavex::TheWindow();  // files made and listed before any timing starts
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  sonavex::Windows().main.reset();
  return 0;
}
