#pragma once
// The tree the rename benchmarks work on (100 folders of 100 empty files
// named "Artist D - Title F.mp3") and the plain C loop they measure the
// engine against.
#include <string>

namespace sonavex::bench {

inline constexpr int kRenameFolders = 100;
inline constexpr int kRenameFilesPerFolder = 100;

// Creates the tree in a new directory below `parent` and returns its path;
// exits the program when that fails.
std::string MakeRenameTree(const std::string& parent);

// The plain loop: one readdir pass per folder below `root`, then one
// renameat2(RENAME_NOREPLACE) per file whose name holds `search`, relative
// to the folder, with the first `search` replaced by `replacement`.
void PlainRenameLoop(const std::string& root, const char* search,
                     const char* replacement);

// True when the name of every file below `root` holds `part`.
bool AllRenamedTo(const std::string& root, const char* part);

}  // namespace sonavex::bench
