#include "core/apply/steps_ahead.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "core/apply/describe.h"
#include "core/batch/playlist_steps.h"
#include "core/ops/playlist_lines.h"
#include "core/text/path.h"

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

// The folder part of a normal full path.
std::string_view FolderOf(std::string_view path) {
  const std::size_t cut = LastSlash(path);
  return cut == std::string_view::npos ? std::string_view() : path.substr(0, cut);
}

// For each folder that the steps before the playlists work in: how many of
// the plan's steps are settled once the last of them is. A playlist waits
// for the steps in the folders of the files its lines name; as they mostly
// name files of one folder after another, the folder of the line before is
// kept at hand.
class FoldersTouched {
 public:
  FoldersTouched(const Plan& plan, std::size_t first) : plan_(plan), first_(first) {
    FolderPaths paths;
    std::size_t* settled = nullptr;
    std::string current;
    for (std::size_t i = 0; i < first; ++i) {
      const std::string_view folder = paths.Folder(plan.steps[i].directory);
      if (settled == nullptr || folder != current) {
        current.assign(folder);
        settled = &lastIn_[current];
      }
      *settled = i + 1;
    }
  }

  // 0 for the folder of a full path that no step works in.
  std::size_t SettledWith(std::string_view path) {
    const std::string_view folder = FolderOf(path);
    if (asked_ != nullptr && folder == *asked_) return answer_;
    const auto found = lastIn_.find(std::string(folder));
    if (found == lastIn_.end()) return 0;
    asked_ = &found->first;
    answer_ = found->second;
    return answer_;
  }

  // Those of `paths` (normal full paths) that a step before the playlists
  // renames or changes, or whose name it gives to another file.
  std::unordered_set<std::string> Touched(const std::vector<std::string>& paths) const {
    const std::unordered_set<std::string> wanted(paths.begin(), paths.end());
    std::unordered_set<std::string> folders;
    for (const std::string& path : paths) folders.emplace(FolderOf(path));
    std::unordered_set<std::string> touched;
    FolderPaths full;
    std::string current;
    bool holdsOne = false;
    for (std::size_t i = 0; i < first_; ++i) {
      const PlanStep& step = plan_.steps[i];
      const std::string_view folder = full.Folder(step.directory);
      if (i == 0 || folder != current) {
        current.assign(folder);
        holdsOne = folders.contains(current);
      }
      if (!holdsOne) continue;
      for (const std::string* name : {&step.name, NewNameOf(step)}) {
        if (name == nullptr) continue;
        std::string path = full.Of(step.directory, *name);
        if (wanted.contains(path)) touched.insert(std::move(path));
      }
    }
    return touched;
  }

 private:
  const Plan& plan_;
  std::size_t first_;
  std::unordered_map<std::string, std::size_t> lastIn_;
  const std::string* asked_ = nullptr;
  std::size_t answer_ = 0;
};

}  // namespace

std::vector<StepsAhead::Step> PlaylistsReadyAhead(const Plan& plan, std::size_t end) {
  const std::size_t first = PlaylistsBegin(plan, end);
  if (first == 0 || first == end) return {};
  std::vector<std::size_t> playlists;
  std::vector<std::string> paths;
  for (std::size_t i = first; i < end; ++i) {
    if (!IsPlaylistStep(plan.steps[i])) continue;
    playlists.push_back(i);
    paths.push_back(FullPathOf(plan.steps[i].directory, plan.steps[i].name));
  }
  FoldersTouched touched(plan, first);
  const std::unordered_set<std::string> busy = touched.Touched(paths);
  std::vector<StepsAhead::Step> ready;
  for (std::size_t k = 0; k < playlists.size(); ++k) {
    if (busy.contains(paths[k])) continue;
    std::size_t needs = 0;
    for (const auto& [from, to] : As<steps::ContentReplace>(plan.steps[playlists[k]]).renamedFiles) {
      needs = std::max({needs, touched.SettledWith(from), touched.SettledWith(to)});
    }
    ready.push_back({playlists[k], needs});
  }
  return ready;
}

}  // namespace sonavex
