#include "core/batch/playlist_steps.h"

#include <filesystem>
#include <unordered_set>

#include "core/batch/step_builders.h"
#include "core/fs/fs.h"
#include "core/ops/playlist_lines.h"
#include "core/text/encoding.h"

namespace sonavex {
namespace {

// The full path of a file, normalised, also for a relative directory.
std::string FullPath(const std::string& directory, const std::string& name) {
  std::string path = JoinPath(directory, name);
  if (!path.starts_with('/')) {
    std::error_code ec;
    path = JoinPath(std::filesystem::current_path(ec).string(), path);
  }
  return NormalisePath(path);
}

// Each file's path before the plan -> its path after it. A rename that is
// foreseen to fail is left out; a file renamed twice maps to its last name.
RenameMap RenamesOf(const Plan& plan) {
  std::unordered_map<std::string, std::string> originOf;  // present -> first
  for (const PlanStep& step : plan.steps) {
    const std::string* newName = NewNameOf(step);
    if (newName == nullptr || !step.foreseen.empty()) continue;
    const std::string from = FullPath(step.directory, step.name);
    std::string origin = from;
    if (const auto known = originOf.find(from); known != originOf.end()) {
      origin = std::move(known->second);
      originOf.erase(known);
    }
    originOf[FullPath(step.directory, *newName)] = std::move(origin);
  }
  RenameMap renames;
  for (auto& [present, origin] : originOf) {
    if (present != origin) renames.emplace(std::move(origin), present);
  }
  return renames;
}

struct PlaylistFile {
  std::string folder;
  std::string name;
};

// The playlists of the walked folders and of the listed folders' trees,
// each once.
std::vector<PlaylistFile> FindPlaylists(const std::vector<std::string>& walkedFolders,
                                        const BatchContext& context, Plan& plan) {
  std::vector<PlaylistFile> found;
  std::unordered_set<std::string> seen;
  const FileVisitor add = [&](const std::string& folder, const std::string& name) {
    if (seen.insert(FullPath(folder, name)).second) found.push_back({folder, name});
  };
  BatchContext walk;
  walk.mask = kPlaylistMask;
  for (const std::string& folder : walkedFolders) WalkFiles(walk, folder, add);
  walk.recursive = true;
  for (const std::string& folder : context.playlistFolders) {
    if (WalkFiles(walk, folder, add)) continue;
    plan.steps.push_back(RefuseStep(
        folder, {},
        {MessageKind::Warning, U"Playlist-Ordner (" + DecodeUtf8(folder) + U") nicht gefunden!"}));
  }
  return found;
}

// The step of one playlist, if it has a line to rewrite. A playlist the
// plan renames itself is addressed by its new name.
void PlanPlaylist(const PlaylistFile& file, const RenameMap& renames, Plan& plan) {
  std::string bytes;
  const std::string path = JoinPath(file.folder, file.name);
  if (const std::error_code ec = ReadWholeFile(path, bytes)) {
    plan.steps.push_back(ReadFailureStep(file.folder, file.name, ec));
    return;
  }
  const std::string full = FullPath(file.folder, file.name);
  PlaylistRewrite rewrite = RewritePlaylist(bytes, SplitPath(full).directory,
                                            *PlaylistTypeOf(file.name), renames);
  if (rewrite.outcome == PlaylistRewrite::Outcome::Refused) {
    plan.steps.push_back(RefuseStep(
        file.folder, file.name,
        {MessageKind::Warning, U"Playlist (" + DecodeUtf8(path) +
                                   U") kann einen neuen Namen nicht in Windows-1252 "
                                   U"aufnehmen und bleibt unverändert!"}));
  }
  if (rewrite.outcome != PlaylistRewrite::Outcome::Rewritten) return;
  steps::ContentReplace change;
  change.playlist = true;
  change.before = std::move(bytes);
  change.after = std::move(rewrite.content);
  change.changedLines = rewrite.changedLines;
  change.renamedFiles = std::move(rewrite.named);
  const auto renamed = renames.find(full);
  plan.steps.push_back(
      {file.folder, renamed == renames.end() ? file.name : SplitPath(renamed->second).name,
       std::move(change)});
}

}  // namespace

void AddPlaylistSteps(const std::vector<std::string>& walkedFolders,
                      const BatchContext& context, Plan& plan) {
  if (!context.followPlaylists) return;
  const RenameMap renames = RenamesOf(plan);
  if (renames.empty()) return;
  // A walk that failed ends the batch: the playlists come before its end.
  std::vector<PlanStep> end;
  if (!plan.steps.empty() && Kind(plan.steps.back()) == StepKind::WalkFailure) {
    end.push_back(std::move(plan.steps.back()));
    plan.steps.pop_back();
  }
  for (const PlaylistFile& file : FindPlaylists(walkedFolders, context, plan)) {
    PlanPlaylist(file, renames, plan);
  }
  for (PlanStep& step : end) plan.steps.push_back(std::move(step));
}

}  // namespace sonavex
