#include "core/batch/listing_ahead.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace sonavex {
namespace {

// Listings held at most before their turn: a tree of tens of thousands of
// folders is fetched in stretches, not all at once.
constexpr std::size_t kMostFetched = 512;

}  // namespace

bool IsEnteredByWalk(const Subdirectory& sub) {
  // Links to directories are not followed: a link loop would never end.
  return !sub.isLink && !(!sub.name.empty() && sub.name[0] == '.');
}

ListingAhead::ListingAhead(int threads, std::u32string mask)
    : mask_(std::move(mask)), pool_(threads < 2 ? 0 : threads) {}

// Called with the mutex held. The walk's own next folders go first; the
// folders below fetched ones are queued behind, as far as the limit allows.
// Each folder new to the queue gets one job, which lists whichever folder
// is first in the queue when it begins.
void ListingAhead::QueueSubdirectories(const std::string& directory,
                                       const DirectoryListing& listing, bool next) {
  if (!pool_.HasThreads()) return;
  std::vector<std::string> front;
  for (const Subdirectory& sub : listing.subdirectories) {
    if (!IsEnteredByWalk(sub)) continue;
    std::string path = JoinPath(directory, sub.name);
    const bool fresh = fetched_.size() < kMostFetched && fetched_.try_emplace(path).second;
    if (fresh) pool_.Submit([this] { FetchNext(); });
    if (!next) {
      if (fresh) waiting_.push_back(std::move(path));
      continue;
    }
    if (!fresh) {
      const auto queued = std::find(waiting_.begin(), waiting_.end(), path);
      if (queued == waiting_.end()) continue;  // begun, done, or over the limit
      waiting_.erase(queued);
    }
    front.push_back(std::move(path));
  }
  waiting_.insert(waiting_.begin(), std::make_move_iterator(front.begin()),
                  std::make_move_iterator(front.end()));
}

void ListingAhead::FetchNext() {
  std::unique_lock lock(mutex_);
  if (waiting_.empty()) return;
  const std::string directory = std::move(waiting_.front());
  waiting_.pop_front();
  lock.unlock();
  std::error_code ec;
  DirectoryListing listing = ListDirectory(directory, mask_, ec);
  lock.lock();
  Fetched& fetched = fetched_[directory];
  if (!ec) QueueSubdirectories(directory, listing, false);
  fetched.listing = std::move(listing);
  fetched.ec = ec;
  fetched.done = true;
  done_.notify_all();
}

DirectoryListing ListingAhead::Take(const std::string& directory, std::error_code& ec) {
  std::unique_lock lock(mutex_);
  const auto found = fetched_.find(directory);
  if (found == fetched_.end()) {
    lock.unlock();
    DirectoryListing listing = ListDirectory(directory, mask_, ec);
    lock.lock();
    if (!ec) QueueSubdirectories(directory, listing, true);
    return listing;
  }
  // Entries keep their place in the map while others are added; iterators
  // would not survive a rehash.
  Fetched* entry = &found->second;
  done_.wait(lock, [entry] { return entry->done; });
  Fetched fetched = std::move(*entry);
  fetched_.erase(directory);
  ec = fetched.ec;
  if (!ec) QueueSubdirectories(directory, fetched.listing, true);
  return std::move(fetched.listing);
}

}  // namespace sonavex
