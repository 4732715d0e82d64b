#pragma once
// Several steps of a plan in flight at once. On a network share every
// request waits a round trip; changing the next files while the present one
// waits hides most of those waits. Steps that touch the same file (under
// any spelling a case-insensitive file system takes for it) keep the plan's
// order, and with them chains, swaps and temporary names, as each of those
// renames shares a name with the one before it. A step that must run alone
// waits for every step before it and holds back every step after it. The
// outcome of each step is settled on the calling thread in the plan's
// order, so that messages, the journal and the counts come out as with
// one step at a time.
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "core/batch/plan.h"

namespace sonavex {

// What one step touches, for the order of the steps.
struct StepTouch {
  // Folded full paths (see FoldNameCase) of every name the step reads,
  // changes or creates.
  std::vector<std::u32string> names;
  bool alone = false;
};

// A rename touches its old and its new name (a chain or a swap through a
// temporary name thus keeps its order), a change of a file that file, a
// playlist also the files it names; an export, which reads whatever the
// steps before it changed, runs alone; a message touches nothing.
StepTouch TouchOf(const PlanStep& step);

// How many steps of `plan` to keep in flight: as many files as the reader
// keeps in flight below the plan's directory (ReadsInFlightFor), so one on
// a local disk.
int StepsInFlightFor(const Plan& plan);

// For each step, the earlier steps it waits for: the latest earlier step
// that shares a name with it, and the latest earlier step that runs alone.
std::vector<std::vector<std::size_t>> StepWaits(std::span<const StepTouch> touches);

class InFlight {
 public:
  struct Hooks {
    // On the calling thread, in the plan's order, once the step may start:
    // true hands it to a worker; false when it was dealt with here (there
    // was nothing to perform, or it ran here as it must).
    std::function<bool(std::size_t step)> begin;
    // Performs the step; on worker `worker`'s thread, or on the calling
    // thread (worker 0) when one step is in flight.
    std::function<void(std::size_t step, int worker)> perform;
    // On the calling thread, as soon as the step is over, in any order.
    std::function<void(std::size_t step)> finished;
    // On the calling thread, in the plan's order, after `finished`.
    std::function<void(std::size_t step)> settle;
    // Asked on the calling thread before each step begins: true starts no
    // further step; the steps in flight finish and are settled.
    std::function<bool()> stopRequested;
  };

  // `window` steps at once; with 1 there are no threads and every step is
  // performed on the calling thread, one after the other.
  explicit InFlight(int window);
  // Waits for the workers, which have nothing left to do by then.
  ~InFlight();
  InFlight(const InFlight&) = delete;
  InFlight& operator=(const InFlight&) = delete;

  int workers() const { return window_ > 1 ? window_ : 1; }

  // Runs the steps that `touches` describes and returns those that never
  // began: none unless a stop was requested.
  std::vector<std::size_t> Run(std::span<const StepTouch> touches, const Hooks& hooks);

 private:
  void Work(int worker);
  void Submit(std::size_t step);
  std::size_t AwaitFinished();

  int window_;
  const Hooks* hooks_ = nullptr;
  std::mutex mutex_;
  std::condition_variable queued_;
  std::condition_variable over_;
  std::deque<std::size_t> jobs_;
  std::deque<std::size_t> done_;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace sonavex
