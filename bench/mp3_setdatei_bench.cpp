// Loading the information record of 10,000 small MP3 files against the least
// a reader of header and tag must do: stat, open, read the first 4 KiB, read
// the last 128 bytes, close.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/mp3/id3v1.h"
#include "core/mp3/tinfo.h"

namespace sonavex {
namespace {

constexpr int kFiles = 10000;
constexpr int kPerDirectory = 500;

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

// "ID3" v2.3 with 2 KiB of tag data (a picture-like run holding FF F0 pairs).
std::string Id3v2Tag() {
  std::string data(2048, '\0');
  for (std::size_t i = 0; i + 1 < data.size(); i += 64) {
    data[i] = '\xFF';
    data[i + 1] = '\xF0';
  }
  return std::string("ID3\x03\x00\x00\x00\x00\x10\x00", 10) + data;
}

std::string Id3v1Tag() {
  std::string tag = "TAG" + std::string(125, ' ');
  tag.replace(3, 9, "Some Song");
  return tag;
}

class Tree {
 public:
  Tree() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/sonavex-bench-XXXXXX";
    root_ = mkdtemp(pattern.data());
    NoReports reporter;
    for (int i = 0; i < kFiles; ++i) {
      const std::string directory = root_ + "/d" + std::to_string(i / kPerDirectory);
      std::filesystem::create_directories(directory);
      const std::string path = directory + "/song" + std::to_string(i) + ".mp3";
      std::string bytes = Frames(8);
      if (i % 3 == 0) bytes += Id3v1Tag();
      if (i % 3 == 1) bytes = Id3v2Tag() + bytes;
      std::ofstream(path, std::ios::binary) << bytes;
      EnsureTag(path, reporter);
      paths_.push_back(path);
    }
  }
  ~Tree() { std::filesystem::remove_all(root_); }
  const std::vector<std::string>& paths() const { return paths_; }

 private:
  std::string root_;
  std::vector<std::string> paths_;
};

const Tree& TheTree() {
  static const Tree tree;
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
  for (auto _ : state) {
    for (const std::string& path : paths) {
      TInfo info;
      benchmark::DoNotOptimize(info.SetDatei(path, reporter));
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
