#include "core/apply/in_flight.h"

#include <algorithm>
#include <optional>
#include <unordered_map>
#include <utility>

#include "core/fs/fs.h"
#include "core/fs/remote.h"
#include "core/text/case.h"
#include "core/text/path.h"

namespace sonavex {

StepTouch TouchOf(const PlanStep& step) {
  StepTouch touch;
  switch (Kind(step)) {
    case StepKind::Export: touch.alone = true; return touch;
    case StepKind::Refuse:
    case StepKind::WalkFailure: return touch;
    case StepKind::Rename:
      // Renames in one folder all change that folder's entries: they run
      // one after the other, as the server would take them anyway, and no
      // file system driver sees two of them at once.
      touch.names.push_back(FoldNameCase(step.directory) + U"/");
      touch.names.push_back(FoldNameCase(JoinPath(step.directory, As<steps::Rename>(step).newName)));
      break;
    default: break;
  }
  touch.names.push_back(FoldNameCase(JoinPath(step.directory, step.name)));
  if (Kind(step) != StepKind::ContentReplace) return touch;
  for (const auto& [from, to] : As<steps::ContentReplace>(step).renamedFiles) {
    touch.names.push_back(FoldNameCase(from));
    touch.names.push_back(FoldNameCase(to));
  }
  return touch;
}

int StepsInFlightFor(const Plan& plan) {
  if (!plan.directory.empty()) return ReadsInFlightFor(plan.directory);
  return plan.steps.empty() ? 1 : ReadsInFlightFor(plan.steps.front().directory);
}

std::vector<std::vector<std::size_t>> StepWaits(std::span<const StepTouch> touches) {
  std::vector<std::vector<std::size_t>> waits(touches.size());
  std::unordered_map<std::u32string, std::size_t> latest;
  std::optional<std::size_t> latestAlone;
  for (std::size_t step = 0; step < touches.size(); ++step) {
    std::vector<std::size_t>& before = waits[step];
    if (latestAlone) before.push_back(*latestAlone);
    for (const std::u32string& name : touches[step].names) {
      const auto [at, fresh] = latest.try_emplace(name, step);
      // A letter-case change names its file twice.
      if (fresh || at->second == step) continue;
      if (std::find(before.begin(), before.end(), at->second) == before.end()) {
        before.push_back(at->second);
      }
      at->second = step;
    }
    if (touches[step].alone) latestAlone = step;
  }
  return waits;
}

InFlight::InFlight(int window) : window_(std::max(window, 1)) {
  if (window_ == 1) return;
  threads_.reserve(static_cast<std::size_t>(window_));
  for (int worker = 0; worker < window_; ++worker) {
    threads_.emplace_back([this, worker] { Work(worker); });
  }
}

InFlight::~InFlight() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  queued_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

std::vector<std::size_t> InFlight::Run(std::span<const StepTouch> touches,
                                       const Hooks& hooks) {
  const std::vector<std::vector<std::size_t>> waits = StepWaits(touches);
  const std::size_t count = touches.size();
  std::vector<char> begun(count, 0);
  std::vector<char> over(count, 0);
  std::size_t first = 0;  // the first step not begun
  std::size_t settled = 0;
  int running = 0;
  bool stopped = false;
  // A step that runs alone starts once everything before it is settled.
  const auto mayStart = [&](std::size_t step) {
    if (touches[step].alone && settled < step) return false;
    return std::all_of(waits[step].begin(), waits[step].end(),
                       [&](std::size_t earlier) { return over[earlier] != 0; });
  };
  // The first step not begun that may begin. Steps that wait for their
  // file are passed by later ones that need not, so that a folder's renames
  // in turn or a file's two tag steps do not hold up the other files; one
  // at a time, the steps go strictly in order.
  const auto nextReady = [&]() -> std::optional<std::size_t> {
    const std::size_t end = threads_.empty() ? std::min(first + 1, count) : count;
    for (std::size_t step = first; step < end; ++step) {
      if (begun[step] != 0) continue;
      if (mayStart(step)) return step;
      if (touches[step].alone) break;
    }
    return std::nullopt;
  };
  const auto finish = [&](std::size_t step) {
    over[step] = 1;
    hooks.finished(step);
  };
  hooks_ = &hooks;
  while (true) {
    while (!stopped && running < window_) {
      const std::optional<std::size_t> step = nextReady();
      if (!step) break;
      if (hooks.stopRequested && hooks.stopRequested()) {
        stopped = true;
        break;
      }
      begun[*step] = 1;
      while (first < count && begun[first] != 0) ++first;
      if (!hooks.begin(*step)) {
        finish(*step);
      } else if (threads_.empty()) {
        hooks.perform(*step, 0);
        finish(*step);
      } else {
        Submit(*step);
        ++running;
        continue;
      }
      // One at a time, each step is settled before the next begins.
      if (threads_.empty()) break;
    }
    // In the plan's order; after a stop, past the steps that never begin.
    while (settled < count && (over[settled] != 0 || (stopped && begun[settled] == 0))) {
      if (over[settled] != 0) hooks.settle(settled);
      ++settled;
    }
    if (running == 0) {
      if (stopped || first == count) break;
      continue;
    }
    finish(AwaitFinished());
    --running;
  }
  hooks_ = nullptr;
  std::vector<std::size_t> notBegun;
  for (std::size_t step = first; step < count; ++step) {
    if (begun[step] == 0) notBegun.push_back(step);
  }
  return notBegun;
}

void InFlight::Submit(std::size_t step) {
  {
    const std::lock_guard lock(mutex_);
    jobs_.push_back(step);
  }
  queued_.notify_one();
}

std::size_t InFlight::AwaitFinished() {
  std::unique_lock lock(mutex_);
  over_.wait(lock, [this] { return !done_.empty(); });
  const std::size_t step = done_.front();
  done_.pop_front();
  return step;
}

void InFlight::Work(int worker) {
  std::unique_lock lock(mutex_);
  while (true) {
    queued_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
    if (stopping_) return;
    const std::size_t step = jobs_.front();
    jobs_.pop_front();
    const Hooks* hooks = hooks_;
    lock.unlock();
    hooks->perform(step, worker);
    lock.lock();
    done_.push_back(step);
    over_.notify_one();
  }
}

}  // namespace sonavex
