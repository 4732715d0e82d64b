#pragma once
// The undo journal the engine side of a benchmark writes, in a fresh folder
// that is removed at the end.
#include <stdio.h>
#include <stdlib.h>

#include <ctime>
#include <filesystem>
#include <memory>
#include <string>

#include "core/journal/journal.h"
#include "support/plain_timing.h"

namespace sonavex::bench {

// Opens the journal at `path`; a benchmark without it means nothing, so a
// failure ends the program.
inline std::unique_ptr<Journal> OpenJournalOrExit(const std::string& path) {
  std::error_code ec;
  std::unique_ptr<Journal> journal =
      Journal::Open(path, static_cast<std::int64_t>(time(nullptr)), ec);
  if (ec) {
    fprintf(stderr, "%s: %s\n", path.c_str(), ec.message().c_str());
    exit(1);
  }
  return journal;
}

class ScratchJournal {
 public:
  // A folder below `parent` with journal.sqlite in it.
  explicit ScratchJournal(const std::string& parent)
      : folder_(MakeScratchFolder(parent, "sonavex-bench-journal")) {
    journal_ = OpenJournalOrExit(folder_ + "/journal.sqlite");
  }
  ~ScratchJournal() {
    journal_.reset();
    std::filesystem::remove_all(folder_);
  }
  ScratchJournal(const ScratchJournal&) = delete;
  ScratchJournal& operator=(const ScratchJournal&) = delete;

  Journal* get() const { return journal_.get(); }
  const std::string& folder() const { return folder_; }

 private:
  std::string folder_;
  std::unique_ptr<Journal> journal_;
};

}  // namespace sonavex::bench
