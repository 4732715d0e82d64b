// One filling of the info grid over the folder given, as the shown program
// does when the page "Zusatzinfos" is chosen: prints the entries, the rows,
// the time of the filling (wall, and the processor time of all threads,
// which a busy machine does not inflate) and the process's peak RSS. bench/grid_memory.sh
// runs it on 100,000 files and on an empty folder, whose difference is what
// the list and the grid cost.
//   QT_QPA_PLATFORM=offscreen build-rel/bin/grid_fill_probe FOLDER
#include <sys/resource.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QTabWidget>
#include <QTableView>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "gui/app_windows.h"
#include "support/mp3_tree.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: grid_fill_probe FOLDER\n");
    return 2;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  const std::string folder = std::filesystem::absolute(argv[1]).string();
  const std::string settings = folder + ".probe.INI";
  std::ofstream(settings) << "[Datei]\nTyp=*.mp3\nVerzeichnis=" << folder << "\n";
  sonavex::bench::NoReports reporter;
  sonavex::AppWindows windows = sonavex::CreateWindows(settings, reporter);
  sonavex::MainWindow& window = *windows.main;
  window.show();
  QApplication::processEvents();
  const std::clock_t cpuStart = std::clock();
  const auto start = std::chrono::steady_clock::now();
  window.findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentIndex(1);
  QApplication::processEvents();  // the filled page is drawn
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("entries %d, rows %d, filling %.3f s (processor %.3f s), peak RSS %ld KiB\n",
              window.entryCount(), window.infoGrid()->model()->rowCount(), took.count(), cpu,
              usage.ru_maxrss);
  windows.main.reset();
  std::filesystem::remove(settings);
  return 0;
}
