#include "core/mp3/read_ahead.h"

#include <utility>

#include "core/fs/fs.h"

namespace sonavex {
namespace {

// Each thread may run this many files ahead of the taker.
constexpr std::size_t kSlotsPerThread = 2;

}  // namespace

struct ReadAhead::Slot {
  ReadItem item;
  bool done = false;
};

ReadAhead::ReadAhead(int inFlight, BeforeRead beforeRead, Reader reader)
    : beforeRead_(std::move(beforeRead)),
      reader_(reader),
      window_(inFlight > 1 ? static_cast<std::size_t>(inFlight) * kSlotsPerThread : 1),
      pool_(inFlight > 1 ? inFlight : 0) {}

ReadAhead::~ReadAhead() = default;

void ReadAhead::ReadSlot(Slot& slot) const {
  const std::string path = JoinPath(slot.item.directory, slot.item.name);
  if (beforeRead_) beforeRead_(path);
  slot.item.read = reader_(path);
}

// The job of a reading thread. The slot stays where it is until it is done,
// as only done slots are taken off the front.
void ReadAhead::ReadAndMark(Slot& slot) {
  ReadSlot(slot);
  const std::lock_guard lock(mutex_);
  slot.done = true;
  done_.notify_all();
}

void ReadAhead::Add(std::string directory, std::string name) {
  auto slot = std::make_unique<Slot>();
  slot->item.directory = std::move(directory);
  slot->item.name = std::move(name);
  Slot& added = *slot;
  {
    const std::lock_guard lock(mutex_);
    slots_.push_back(std::move(slot));
  }
  if (pool_.HasThreads()) pool_.Submit([this, &added] { ReadAndMark(added); });
}

std::size_t ReadAhead::Queued() const {
  const std::lock_guard lock(mutex_);
  return slots_.size();
}

ReadItem ReadAhead::Take() {
  std::unique_lock lock(mutex_);
  if (!pool_.HasThreads()) {
    std::unique_ptr<Slot> slot = std::move(slots_.front());
    slots_.pop_front();
    lock.unlock();
    ReadSlot(*slot);
    return std::move(slot->item);
  }
  done_.wait(lock, [this] { return slots_.front()->done; });
  std::unique_ptr<Slot> slot = std::move(slots_.front());
  slots_.pop_front();
  return std::move(slot->item);
}

OrderedReads::OrderedReads(int inFlight, Use use, ReadAhead::Reader reader)
    : reader_(inFlight, {}, reader), read_(reader), use_(std::move(use)),
      oneAtATime_(inFlight <= 1) {}

void OrderedReads::Add(const std::string& directory, const std::string& name) {
  if (oneAtATime_) {
    // Straight through: no queue to keep for a single file.
    ReadItem item{directory, name, read_(JoinPath(directory, name))};
    use_(item);
    return;
  }
  reader_.Add(directory, name);
  if (reader_.Queued() < reader_.Window()) return;
  ReadItem item = reader_.Take();
  use_(item);
}

void OrderedReads::Drain() {
  while (reader_.Queued() > 0) {
    ReadItem item = reader_.Take();
    use_(item);
  }
}

}  // namespace sonavex
