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
  // A folder is fetched ahead only while the listings fetched and not yet
  // taken, with those being fetched counted at the size folders have had so
  // far, hold fewer entries than `entriesAhead`. A share forgets the names a
  // listing looked up after about a second, and a file opened after that
  // costs one more round trip; this keeps the listings a few hundred files
  // ahead of the reads, which stay busy all the same: many small folders
  // are fetched side by side, large ones one or two at a time.
  static constexpr std::size_t kEntriesAhead = 256;

  // `threads` list at once; with fewer than 2 every listing is made when it
  // is taken. Listings still being made at the end are waited for.
  ListingAhead(int threads, std::u32string mask, std::size_t entriesAhead = kEntriesAhead);
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
  bool TakeFromQueue(const std::string& directory);
  bool MayFetch() const;
  void ResumeDeferred();

  std::u32string mask_;
  std::mutex mutex_;
  std::condition_variable done_;
  std::deque<std::string> waiting_;
  std::unordered_map<std::string, Fetched> fetched_;
  std::size_t entriesLimit_;
  std::size_t entriesAhead_ = 0;  // in listings fetched and not yet taken
  std::size_t fetching_ = 0;      // folders being fetched
  std::size_t foldersFetched_ = 0;
  std::size_t entriesFetched_ = 0;
  std::size_t deferred_ = 0;      // jobs that found the limit reached
  WorkerPool pool_;  // last: it ends before the listings its jobs fill
};

}  // namespace sonavex
