#pragma once
// The playlists that follow a batch's renames: one content step per
// playlist (*.m3u, *.m3u8, *.pls) with a line naming a file the batch
// renames, after the renames, so that the journal keeps both and undo
// takes both back together.
#include <string>
#include <string_view>
#include <vector>

#include "core/batch/batch.h"
#include "core/batch/plan.h"
#include "core/fs/fs.h"

namespace sonavex {

// The full path of `name` in `directory`, without "." and ".." segments,
// also for a relative directory: how playlist steps name renamed files.
std::string FullPathOf(const std::string& directory, const std::string& name);

// FullPathOf for the names of a batch, which come folder after folder: the
// folder is made a full path once for each run of names in it.
class FolderPaths {
 public:
  // The full path of `directory` without a trailing "/" (empty for the
  // root); valid up to the next call.
  std::string_view Folder(const std::string& directory);
  // FullPathOf(directory, name).
  std::string Of(const std::string& directory, const std::string& name);

 private:
  bool known_ = false;
  std::string directory_;
  std::string folder_;  // with a trailing "/"
};

// Whether a folder's listing names a playlist: most folders a batch walks
// hold none.
bool HoldsPlaylist(const DirectoryListing& listing);

// The folders in which `plan` renames files, each once.
std::vector<std::string> RenamedFolders(const Plan& plan);

// Adds the playlist steps to `plan`: for the playlists of `walkedFolders`
// (each folder alone: a tree's walk names those of its folders that hold
// one, see HoldsPlaylist) and of the context's playlist folders with their
// subfolders. Nothing when the context's switch is off or the plan renames
// nothing. A playlist that cannot be read, or cannot hold a new name, gets
// a refusal. A playlist that a step of the plan writes already (an undo
// restoring one) is left to that step. The playlists are read and
// rewritten on a few threads.
void AddPlaylistSteps(const std::vector<std::string>& walkedFolders,
                      const BatchContext& context, Plan& plan);

}  // namespace sonavex
