#include "core/fs/worker_pool.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <utility>

namespace sonavex {

WorkerPool::WorkerPool(int threads) {
  if (threads < 1) return;
  threads_.reserve(static_cast<std::size_t>(threads));
  for (int i = 0; i < threads; ++i) threads_.emplace_back([this] { Work(); });
}

WorkerPool::~WorkerPool() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  queued_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

void WorkerPool::Submit(Job job) {
  {
    const std::lock_guard lock(mutex_);
    jobs_.push_back(std::move(job));
  }
  queued_.notify_one();
}

void WorkerPool::Work() {
  std::unique_lock lock(mutex_);
  while (true) {
    queued_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
    if (stopping_) return;
    const Job job = std::move(jobs_.front());
    jobs_.pop_front();
    lock.unlock();
    job();
    lock.lock();
  }
}

void ForEachAtOnce(std::size_t count, std::size_t threads,
                   const std::function<void(std::size_t index)>& job) {
  std::atomic<std::size_t> next{0};
  const auto work = [&] {
    for (std::size_t i = next++; i < count; i = next++) job(i);
  };
  std::vector<std::jthread> helpers;
  for (std::size_t t = 1; t < std::min(threads, count); ++t) helpers.emplace_back(work);
  work();
}

}  // namespace sonavex
