#pragma once
// Steps whose slow part runs while the steps before them still do. The
// playlists that follow a rename batch come last in its plan, yet writing
// and syncing their new contents needs none of the renames: that part is
// done on a few threads from the batch's start, and each playlist is put
// in place as soon as the renames it names are settled, while the later
// renames still run. The executor keeps the files and the outcomes; this
// class only keeps the order: prepare, then finish once the plan's steps up
// to a given one are settled, or drop on a stop.
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <vector>

#include "core/batch/plan.h"
#include "core/fs/worker_pool.h"

namespace sonavex {

class StepsAhead {
 public:
  struct Step {
    std::size_t step = 0;   // the step's place in the plan
    std::size_t needs = 0;  // how many of the plan's first steps are settled
                            // before it is finished
  };
  struct Hooks {
    // Readies the step on a worker; false when it is not done ahead after
    // all (it runs at its turn as usual).
    std::function<bool(std::size_t step)> prepare;
    // Completes a prepared step, on a worker, once the steps it needs are
    // settled.
    std::function<void(std::size_t step)> finish;
    // Gives up a prepared step that is not to be finished (a stop): on the
    // calling thread or a worker.
    std::function<void(std::size_t step)> drop;
  };

  // Begins preparing `steps` on up to `threads` threads.
  StepsAhead(std::vector<Step> steps, Hooks hooks, int threads);
  // Drops what is not finished and waits for the workers.
  ~StepsAhead();
  StepsAhead(const StepsAhead&) = delete;
  StepsAhead& operator=(const StepsAhead&) = delete;

  // The plan's first `count` steps are settled: the prepared steps that
  // waited for them are finished.
  void Settled(std::size_t count);
  // Waits until the plan's step `step` (one of those given) is over: true
  // when it was finished here, false when it is to be performed as usual.
  bool Await(std::size_t step);
  // Finishes no further step, drops those prepared and waits for the
  // workers; the steps that were finished, in the plan's order.
  std::vector<std::size_t> Stop();

 private:
  enum class State { Queued, Preparing, Prepared, Finishing, Finished, NotAhead, Dropped };
  struct Entry {
    Step place;
    State state = State::Queued;
    bool released = false;
  };

  Entry* Find(std::size_t step);
  void Prepare(Entry& entry);
  void Finish(Entry& entry);
  static bool IsOver(State state) {
    return state == State::Finished || state == State::NotAhead || state == State::Dropped;
  }
  void Release(Entry& entry);  // with mutex_ held

  Hooks hooks_;
  std::vector<Entry> entries_;  // in the order of `needs`
  std::size_t nextRelease_ = 0;
  bool stopping_ = false;
  std::mutex mutex_;
  std::condition_variable changed_;
  WorkerPool pool_;  // last: ends first
};

// The playlists at the end of a rename batch's first `end` steps that can
// be readied ahead of their turn, each with the steps it waits for: those
// up to the last in the folders of the files its lines name. A playlist
// that a step before it renames or changes itself waits for its turn.
std::vector<StepsAhead::Step> PlaylistsReadyAhead(const Plan& plan, std::size_t end);

}  // namespace sonavex
