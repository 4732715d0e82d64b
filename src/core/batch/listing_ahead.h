#pragma once
// Directory listings of a tree fetched ahead of the walk that uses them, so
// that a deep tree on a share does not wait one round trip per folder in
// turn. The walk still takes the listings one by one in its own order.
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <system_error>
#include <unordered_map>

#include "core/fs/fs.h"
#include "core/fs/worker_pool.h"

namespace sonavex {

// The subdirectories a walk goes into: no links, no names starting with ".".
bool IsEnteredByWalk(const Subdirectory& sub);

class ListingAhead {
 public:
  // `threads` list at once; with fewer than 2 every listing is made when it
  // is taken. Listings still being made at the end are waited for.
  ListingAhead(int threads, std::u32string mask);
  ListingAhead(const ListingAhead&) = delete;
  ListingAhead& operator=(const ListingAhead&) = delete;

  // The listing of `directory` as ListDirectory gives it: fetched already,
  // or made now. The subdirectories the walk will enter (no links, no dot
  // names) are then fetched ahead, and theirs in turn.
  DirectoryListing Take(const std::string& directory, std::error_code& ec);

 private:
  struct Fetched {
    bool done = false;
    DirectoryListing listing;
    std::error_code ec;
  };
  void FetchNext();
  void QueueSubdirectories(const std::string& directory, const DirectoryListing& listing,
                           bool next);

  std::u32string mask_;
  std::mutex mutex_;
  std::condition_variable done_;
  std::deque<std::string> waiting_;
  std::unordered_map<std::string, Fetched> fetched_;
  WorkerPool pool_;  // last: it ends before the listings its jobs fill
};

}  // namespace sonavex
