#include "core/apply/steps_ahead.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <utility>

#include "core/apply/describe.h"
#include "core/batch/playlist_steps.h"

namespace sonavex {

StepsAhead::StepsAhead(std::vector<Step> steps, Hooks hooks, int threads)
    : hooks_(std::move(hooks)), pool_(std::max(threads, 1)) {
  std::stable_sort(steps.begin(), steps.end(),
                   [](const Step& a, const Step& b) { return a.needs < b.needs; });
  entries_.reserve(steps.size());
  for (const Step& step : steps) entries_.push_back({step});
  // Each playlist is prepared in the order it is needed.
  for (Entry& entry : entries_) pool_.Submit([this, &entry] { Prepare(entry); });
}

StepsAhead::~StepsAhead() { Stop(); }

StepsAhead::Entry* StepsAhead::Find(std::size_t step) {
  const auto found = std::find_if(entries_.begin(), entries_.end(),
                                  [&](const Entry& entry) { return entry.place.step == step; });
  return found == entries_.end() ? nullptr : &*found;
}

void StepsAhead::Prepare(Entry& entry) {
  {
    const std::lock_guard lock(mutex_);
    if (stopping_) {
      entry.state = State::Dropped;
      changed_.notify_all();
      return;
    }
    entry.state = State::Preparing;
  }
  const bool ready = hooks_.prepare(entry.place.step);
  std::unique_lock lock(mutex_);
  if (!ready) {
    entry.state = State::NotAhead;
  } else if (stopping_) {
    hooks_.drop(entry.place.step);
    entry.state = State::Dropped;
  } else if (entry.released) {
    entry.state = State::Finishing;
    lock.unlock();
    hooks_.finish(entry.place.step);
    lock.lock();
    entry.state = State::Finished;
  } else {
    entry.state = State::Prepared;
  }
  changed_.notify_all();
}

void StepsAhead::Finish(Entry& entry) {
  hooks_.finish(entry.place.step);
  const std::lock_guard lock(mutex_);
  entry.state = State::Finished;
  changed_.notify_all();
}

void StepsAhead::Release(Entry& entry) {
  entry.released = true;
  if (entry.state != State::Prepared || stopping_) return;
  entry.state = State::Finishing;
  pool_.Submit([this, &entry] { Finish(entry); });
}

void StepsAhead::Settled(std::size_t count) {
  const std::lock_guard lock(mutex_);
  while (nextRelease_ < entries_.size() && entries_[nextRelease_].place.needs <= count) {
    Release(entries_[nextRelease_++]);
  }
}

bool StepsAhead::Await(std::size_t step) {
  std::unique_lock lock(mutex_);
  Entry* entry = Find(step);
  if (entry == nullptr) return false;
  // Its turn has come: whatever it waited for is settled.
  if (!entry->released) Release(*entry);
  changed_.wait(lock, [&] { return IsOver(entry->state); });
  return entry->state == State::Finished;
}

std::vector<std::size_t> StepsAhead::Stop() {
  std::unique_lock lock(mutex_);
  stopping_ = true;
  for (Entry& entry : entries_) {
    if (entry.state != State::Prepared) continue;
    hooks_.drop(entry.place.step);
    entry.state = State::Dropped;
  }
  changed_.wait(lock, [&] {
    return std::all_of(entries_.begin(), entries_.end(),
                       [](const Entry& entry) { return IsOver(entry.state); });
  });
  std::vector<std::size_t> finished;
  for (const Entry& entry : entries_) {
    if (entry.state == State::Finished) finished.push_back(entry.place.step);
  }
  std::sort(finished.begin(), finished.end());
  return finished;
}

namespace {

bool IsPlaylistStep(const PlanStep& step) {
  const auto* change = std::get_if<steps::ContentReplace>(&step.change);
  return change != nullptr && change->playlist && CanBePerformed(step);
}

// The steps at the end of a plan that its playlists add: their own and
// their refusals (and a walk failure behind them).
std::size_t PlaylistsBegin(const Plan& plan, std::size_t end) {
  std::size_t first = end;
  while (first > 0 && (IsPlaylistStep(plan.steps[first - 1]) ||
                       Kind(plan.steps[first - 1]) == StepKind::Refuse ||
                       Kind(plan.steps[first - 1]) == StepKind::WalkFailure)) {
    --first;
  }
  return first;
}

// Each full path the steps before `first` work on or give -> how many of
// the plan's steps are settled once the last of them is.
std::unordered_map<std::string, std::size_t> TouchedBy(const Plan& plan, std::size_t first) {
  std::unordered_map<std::string, std::size_t> touched;
  touched.reserve(2 * first);
  for (std::size_t i = 0; i < first; ++i) {
    const PlanStep& step = plan.steps[i];
    touched.insert_or_assign(FullPathOf(step.directory, step.name), i + 1);
    if (const std::string* newName = NewNameOf(step)) {
      touched.insert_or_assign(FullPathOf(step.directory, *newName), i + 1);
    }
  }
  return touched;
}

}  // namespace

std::vector<StepsAhead::Step> PlaylistsReadyAhead(const Plan& plan, std::size_t end) {
  const std::size_t first = PlaylistsBegin(plan, end);
  if (first == 0 || first == end) return {};
  const std::unordered_map<std::string, std::size_t> touched = TouchedBy(plan, first);
  const auto settledWith = [&](const std::string& path) -> std::size_t {
    const auto found = touched.find(path);
    return found == touched.end() ? 0 : found->second;
  };
  std::vector<StepsAhead::Step> ready;
  for (std::size_t i = first; i < end; ++i) {
    const PlanStep& step = plan.steps[i];
    if (!IsPlaylistStep(step) || touched.contains(FullPathOf(step.directory, step.name))) continue;
    std::size_t needs = 0;
    for (const auto& [from, to] : As<steps::ContentReplace>(step).renamedFiles) {
      needs = std::max({needs, settledWith(from), settledWith(to)});
    }
    ready.push_back({i, needs});
  }
  return ready;
}

}  // namespace sonavex
