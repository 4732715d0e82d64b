#include "core/batch/listing_ahead.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace sonavex {
namespace {

// Listings held at most before their turn: a tree of tens of thousands of
// folders is fetched in stretches, not all at once.
constexpr std::size_t kMostFetched = 512;

std::size_t EntriesOf(const DirectoryListing& listing) {
  return listing.files.size() + listing.subdirectories.size() + listing.otherNames.size();
}

}  // namespace

bool IsEnteredByWalk(const Subdirectory& sub) {
  // Links to directories are not followed: a link loop would never end.
  return !sub.isLink && !(!sub.name.empty() && sub.name[0] == '.');
}

ListingAhead::ListingAhead(int threads, std::u32string mask, std::size_t entriesAhead)
    : mask_(std::move(mask)), entriesLimit_(entriesAhead), pool_(threads < 2 ? 0 : threads) {}

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

// A job that finds the listings ahead at their limit is deferred: taking
// a listing resumes it.
void ListingAhead::FetchNext() {
  std::unique_lock lock(mutex_);
  if (waiting_.empty()) return;
  if (!MayFetch()) {
    ++deferred_;
    return;
  }
  ++fetching_;
  const std::string directory = std::move(waiting_.front());
  waiting_.pop_front();
  lock.unlock();
  std::error_code ec;
  DirectoryListing listing = ListDirectory(directory, mask_, ec);
  lock.lock();
  Fetched& fetched = fetched_[directory];
  --fetching_;
  ++foldersFetched_;
  entriesFetched_ += EntriesOf(listing);
  entriesAhead_ += EntriesOf(listing);
  if (!ec) QueueSubdirectories(directory, listing, false);
  fetched.listing = std::move(listing);
  fetched.ec = ec;
  fetched.done = true;
  done_.notify_all();
}

// Called with the mutex held: whether `directory` was still waiting for a
// job, which it no longer does.
bool ListingAhead::TakeFromQueue(const std::string& directory) {
  const auto queued = std::find(waiting_.begin(), waiting_.end(), directory);
  if (queued == waiting_.end()) return false;
  waiting_.erase(queued);
  fetched_.erase(directory);
  return true;
}

// Called with the mutex held. Before any folder has come back, one being
// fetched counts for half the limit.
bool ListingAhead::MayFetch() const {
  const std::size_t expected = foldersFetched_ == 0
                                   ? (entriesLimit_ + 1) / 2
                                   : std::max<std::size_t>(1, entriesFetched_ / foldersFetched_);
  return entriesAhead_ + fetching_ * expected < entriesLimit_;
}

// Called with the mutex held.
void ListingAhead::ResumeDeferred() {
  if (waiting_.empty()) deferred_ = 0;
  for (; deferred_ > 0 && MayFetch(); --deferred_) {
    pool_.Submit([this] { FetchNext(); });
  }
}

DirectoryListing ListingAhead::Take(const std::string& directory, std::error_code& ec) {
  std::unique_lock lock(mutex_);
  const auto found = fetched_.find(directory);
  if (found == fetched_.end() || (!found->second.done && TakeFromQueue(directory))) {
    lock.unlock();
    DirectoryListing listing = ListDirectory(directory, mask_, ec);
    lock.lock();
    if (!ec) QueueSubdirectories(directory, listing, true);
    ResumeDeferred();
    return listing;
  }
  // Entries keep their place in the map while others are added; iterators
  // would not survive a rehash.
  Fetched* entry = &found->second;
  done_.wait(lock, [entry] { return entry->done; });
  Fetched fetched = std::move(*entry);
  fetched_.erase(directory);
  entriesAhead_ -= EntriesOf(fetched.listing);
  ec = fetched.ec;
  if (!ec) QueueSubdirectories(directory, fetched.listing, true);
  ResumeDeferred();
  return std::move(fetched.listing);
}

}  // namespace sonavex
