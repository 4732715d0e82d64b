#pragma once
// Reading the records of a file set with several files in flight. On a
// network share every request waits a round trip; reading the next files
// while the present one is used hides most of those waits. The records come
// out strictly in the order the files went in, on the thread that takes
// them, so whatever a record leads to (a line, a row, a message, an empty
// tag) happens in the same order and place as with one file at a time.
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "core/fs/remote.h"
#include "core/fs/worker_pool.h"
#include "core/mp3/tinfo.h"

namespace sonavex {

// One file of the set: where it is and what reading it gave.
struct ReadItem {
  std::string directory;
  std::string name;
  FileRead read;
};

class ReadAhead {
 public:
  // Called on a reading thread just before a file is read; tests use it to
  // change the file under the reader.
  using BeforeRead = std::function<void(const std::string& path)>;
  // What reading one file gives; ReadFileInfo unless the caller needs less.
  using Reader = FileRead (*)(const std::string& path);

  // `inFlight` files are read at once; with 1 there are no threads and each
  // file is read when it is taken, on the taking thread.
  explicit ReadAhead(int inFlight, BeforeRead beforeRead = {}, Reader reader = ReadFileInfo);
  // Reads still running are waited for; files not yet begun are left.
  ~ReadAhead();
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // Queues a file. Callers keep no more than Window() files queued and not
  // taken, which holds memory to a few records however large the set.
  void Add(std::string directory, std::string name);
  std::size_t Queued() const;
  std::size_t Window() const { return window_; }

  // The oldest queued file's item, once it is read. Only with Queued() > 0.
  ReadItem Take();

 private:
  struct Slot;
  void ReadSlot(Slot& slot) const;
  void ReadAndMark(Slot& slot);

  BeforeRead beforeRead_;
  Reader reader_;
  std::size_t window_;
  mutable std::mutex mutex_;
  std::condition_variable done_;
  std::deque<std::unique_ptr<Slot>> slots_;
  WorkerPool pool_;  // last: it ends before the slots its jobs fill
};

// Feeds the files of a walk to a ReadAhead and hands each item to `use` in
// the order the files were added, keeping the reader's window full.
class OrderedReads {
 public:
  using Use = std::function<void(ReadItem& item)>;
  OrderedReads(int inFlight, Use use, ReadAhead::Reader reader = ReadFileInfo);

  void Add(const std::string& directory, const std::string& name);
  // Uses the items still queued; called at the end of the set.
  void Drain();

 private:
  ReadAhead reader_;
  ReadAhead::Reader read_;
  Use use_;
  bool oneAtATime_;
};

}  // namespace sonavex
