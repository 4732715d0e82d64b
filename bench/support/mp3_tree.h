#pragma once
// A generated collection of small MP3 files for the benchmarks: a third with
// an ID3v1 tag, a third behind an ID3v2 tag full of FF F0 pairs, a third
// untagged; every file has its tag ensured before any timing starts, so each
// pass reads the same bytes.
#include <string>
#include <vector>

#include "core/report/reporter.h"

namespace sonavex::bench {

struct NoReports : Reporter {
  void Report(MessageKind, const std::u32string&, MessageButton) override {}
};

class Mp3Tree {
 public:
  // `files` files, `perDirectory` to a folder (folders d0, d1, ... below the
  // root), or all in the root when perDirectory is 0.
  Mp3Tree(int files, int perDirectory);
  ~Mp3Tree();
  Mp3Tree(const Mp3Tree&) = delete;
  Mp3Tree& operator=(const Mp3Tree&) = delete;

  const std::string& root() const { return root_; }
  const std::vector<std::string>& paths() const { return paths_; }

 private:
  std::string root_;
  std::vector<std::string> paths_;
};

}  // namespace sonavex::bench
