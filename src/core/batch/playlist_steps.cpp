#include "core/batch/playlist_steps.h"

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "core/batch/step_builders.h"
#include "core/fs/fs.h"
#include "core/fs/volumes.h"
#include "core/fs/worker_pool.h"
#include "core/ops/playlist_lines.h"
#include "core/text/case.h"
#include "core/text/encoding.h"

namespace sonavex {
namespace {

// A rename that is to take place.
bool IsRename(const PlanStep& step) {
  return Kind(step) == StepKind::Rename && step.foreseen.empty();
}

// Each file's path before the plan -> its path after it. A rename that is
// foreseen to fail is left out.
RenameMap RenamesOf(const Plan& plan) {
  std::vector<RenameMap::Entry> renames;
  renames.reserve(
      static_cast<std::size_t>(std::count_if(plan.steps.begin(), plan.steps.end(), IsRename)));
  FolderPaths paths;
  for (const PlanStep& step : plan.steps) {
    if (!IsRename(step)) continue;
    std::string from = paths.Of(step.directory, step.name);
    renames.emplace_back(std::move(from), paths.Of(step.directory, *NewNameOf(step)));
  }
  return RenameMap(std::move(renames));
}

// The renamed files that a line spells in another letter case, matched as
// the volume that holds them compares names. The folded index and the mount
// table are made on the first line that needs them, as most lines name a
// file by its exact path; playlists on several threads share them.
class CaseBlindRenames {
 public:
  explicit CaseBlindRenames(const RenameMap& renames) : renames_(renames) {}

  const std::string* Find(const std::string& path) {
    std::call_once(built_, [this] { Build(); });
    const auto [first, last] = folded_.equal_range(FoldNameCase(path));
    for (auto candidate = first; candidate != last; ++candidate) {
      if (SameFileUnderOtherCase(path, *candidate->second, mounts_)) return candidate->second;
    }
    return nullptr;
  }

 private:
  void Build() {
    for (const auto& [oldPath, newPath] : *renames_.table()) {
      folded_.emplace(FoldNameCase(oldPath), &oldPath);
    }
    mounts_ = ReadMountTable();
  }

  const RenameMap& renames_;
  std::once_flag built_;
  std::unordered_multimap<std::u32string, const std::string*> folded_;
  std::vector<MountEntry> mounts_;
};

struct PlaylistFile {
  std::string folder;
  std::string name;
};

// The playlists in `folder` itself. Most folders a batch walks hold none,
// which their bare names tell before any name is decoded or looked at.
void AddPlaylistsOf(const std::string& folder, const FileVisitor& add) {
  std::error_code ec;
  const std::vector<std::string> names = ListNames(folder, ec);
  if (std::none_of(names.begin(), names.end(),
                   [](const std::string& name) { return PlaylistTypeOf(name).has_value(); })) {
    return;
  }
  for (const std::string& name : ListFiles(folder, kPlaylistMask, ec)) add(folder, name);
}

// The playlists of the walked folders and of the listed folders' trees,
// each once.
std::vector<PlaylistFile> FindPlaylists(const std::vector<std::string>& walkedFolders,
                                        const BatchContext& context, Plan& plan) {
  std::vector<PlaylistFile> found;
  std::unordered_set<std::string> seen;
  for (const PlanStep& step : plan.steps) {
    if (Kind(step) == StepKind::ContentReplace) seen.insert(FullPathOf(step.directory, step.name));
  }
  const FileVisitor add = [&](const std::string& folder, const std::string& name) {
    if (seen.insert(FullPathOf(folder, name)).second) found.push_back({folder, name});
  };
  for (const std::string& folder : walkedFolders) AddPlaylistsOf(folder, add);
  BatchContext walk;
  walk.mask = kPlaylistMask;
  walk.recursive = true;
  for (const std::string& folder : context.playlistFolders) {
    if (WalkFiles(walk, folder, add)) continue;
    plan.steps.push_back(RefuseStep(
        folder, {},
        {MessageKind::Warning, U"Playlist-Ordner (" + DecodeUtf8(folder) + U") nicht gefunden!"}));
  }
  return found;
}

// The step of one playlist, if it has a line to rewrite, or its refusal.
// A playlist the plan renames itself is addressed by its new name.
std::optional<PlanStep> PlanPlaylist(const PlaylistFile& file, const RenameMap& renames,
                                     CaseBlindRenames& caseBlind) {
  std::string bytes;
  const std::string path = JoinPath(file.folder, file.name);
  if (const std::error_code ec = ReadWholeFile(path, bytes)) {
    return ReadFailureStep(file.folder, file.name, ec);
  }
  const std::string full = FullPathOf(file.folder, file.name);
  PlaylistRewrite rewrite = RewritePlaylist(bytes, SplitPath(full).directory,
                                            *PlaylistTypeOf(file.name), renames,
                                            [&](const std::string& named) {
                                              return caseBlind.Find(named);
                                            });
  if (rewrite.outcome == PlaylistRewrite::Outcome::Refused) {
    return RefuseStep(file.folder, file.name,
                      {MessageKind::Warning, U"Playlist (" + DecodeUtf8(path) +
                                                 U") kann einen neuen Namen nicht in "
                                                 U"Windows-1252 aufnehmen und bleibt unverändert!"});
  }
  if (rewrite.outcome != PlaylistRewrite::Outcome::Rewritten) return std::nullopt;
  steps::ContentReplace change;
  change.playlist = true;
  change.before = std::move(bytes);
  change.after = std::move(rewrite.content);
  change.changedLines = rewrite.changedLines;
  change.renamedFiles = RenamedFiles(renames.table(), std::move(rewrite.named));
  const RenameMap::Entry* renamed = renames.Find(full);
  return PlanStep{file.folder, renamed == nullptr ? file.name : SplitPath(renamed->second).name,
                  std::move(change)};
}

// Playlists read and rewritten at once: each is a file to read and a text
// to go through, apart from the others.
constexpr std::size_t kPlaylistsAtOnce = 4;

// The steps of the playlists `found`, in their order.
void PlanPlaylists(const std::vector<PlaylistFile>& found, const RenameMap& renames,
                   Plan& plan) {
  CaseBlindRenames caseBlind(renames);
  std::vector<std::optional<PlanStep>> steps(found.size());
  ForEachAtOnce(found.size(), kPlaylistsAtOnce, [&](std::size_t i) {
    steps[i] = PlanPlaylist(found[i], renames, caseBlind);
  });
  for (std::optional<PlanStep>& step : steps) {
    if (step) plan.steps.push_back(std::move(*step));
  }
}

}  // namespace

std::string FullPathOf(const std::string& directory, const std::string& name) {
  std::string path = JoinPath(directory, name);
  if (!path.starts_with('/')) {
    std::error_code ec;
    path = JoinPath(std::filesystem::current_path(ec).string(), path);
  }
  return IsNormalPath(path) ? path : NormalisePath(path);
}

std::string_view FolderPaths::Folder(const std::string& directory) {
  if (!known_ || directory != directory_) {
    directory_ = directory;
    folder_ = FullPathOf(directory, "x");
    folder_.pop_back();
    known_ = true;
  }
  return std::string_view(folder_).substr(0, folder_.size() - 1);
}

std::string FolderPaths::Of(const std::string& directory, const std::string& name) {
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos) {
    return FullPathOf(directory, name);
  }
  Folder(directory);
  std::string path;
  path.reserve(folder_.size() + name.size());
  return path.append(folder_).append(name);
}

bool HoldsPlaylist(const DirectoryListing& listing) {
  const auto isPlaylist = [](const std::string& name) {
    return PlaylistTypeOf(name).has_value();
  };
  return std::any_of(listing.files.begin(), listing.files.end(), isPlaylist) ||
         std::any_of(listing.otherNames.begin(), listing.otherNames.end(), isPlaylist);
}

std::vector<std::string> RenamedFolders(const Plan& plan) {
  std::vector<std::string> folders;
  std::unordered_set<std::string> seen;
  for (const PlanStep& step : plan.steps) {
    if (Kind(step) == StepKind::Rename && seen.insert(step.directory).second) {
      folders.push_back(step.directory);
    }
  }
  return folders;
}

void AddPlaylistSteps(const std::vector<std::string>& walkedFolders,
                      const BatchContext& context, Plan& plan) {
  if (!context.followPlaylists || std::none_of(plan.steps.begin(), plan.steps.end(), IsRename)) {
    return;
  }
  // A walk that failed ends the batch: the playlists come before its end.
  std::vector<PlanStep> end;
  if (!plan.steps.empty() && Kind(plan.steps.back()) == StepKind::WalkFailure) {
    end.push_back(std::move(plan.steps.back()));
    plan.steps.pop_back();
  }
  // The renames are gathered once a playlist is there to follow them.
  const std::vector<PlaylistFile> found = FindPlaylists(walkedFolders, context, plan);
  const RenameMap renames = found.empty() ? RenameMap() : RenamesOf(plan);
  if (!renames.empty()) PlanPlaylists(found, renames, plan);
  for (PlanStep& step : end) plan.steps.push_back(std::move(step));
}

}  // namespace sonavex
