#pragma once
// A few threads that run jobs in the order they were given. The read-ahead
// of file records and the listing-ahead of a walk use one each, to have
// several requests to a slow file system in flight while one thread uses
// the answers in its own order.
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace sonavex {

class WorkerPool {
 public:
  using Job = std::function<void()>;

  // With `threads` below 1 there are no threads: the owner does its work
  // itself and submits nothing.
  explicit WorkerPool(int threads);
  // Jobs still running are waited for; jobs not yet begun are dropped. An
  // owner declares its pool last, so that the pool ends first and no job
  // outlives what it works on.
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  bool HasThreads() const { return !threads_.empty(); }
  // Queues `job` behind the jobs not yet begun. Only with HasThreads().
  void Submit(Job job);

 private:
  void Work();

  std::mutex mutex_;
  std::condition_variable queued_;
  std::deque<Job> jobs_;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

// Calls `job` once for each index below `count`, on up to `threads`
// threads at once (the calling thread one of them), and returns when every
// call is over. Each call takes the next index not yet taken.
void ForEachAtOnce(std::size_t count, std::size_t threads,
                   const std::function<void(std::size_t index)>& job);

}  // namespace sonavex
