#include "support/rename_tree.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

#include "support/plain_timing.h"

namespace sonavex::bench {
namespace {

void ReplaceInFolder(const char* folder, const char* search, const char* replacement) {
  DIR* dir = opendir(folder);
  if (dir == nullptr) return;
  std::vector<std::string> names;
  while (const dirent* entry = readdir(dir)) {
    if (entry->d_type == DT_REG) names.emplace_back(entry->d_name);
  }
  const int fd = dirfd(dir);
  const size_t searchLength = strlen(search);
  char target[1024];
  for (const std::string& name : names) {
    const char* hit = strstr(name.c_str(), search);
    if (hit == nullptr) continue;
    snprintf(target, sizeof target, "%.*s%s%s", static_cast<int>(hit - name.c_str()),
             name.c_str(), replacement, hit + searchLength);
    if (renameat2(fd, name.c_str(), fd, target, RENAME_NOREPLACE) != 0) {
      perror(target);
    }
  }
  closedir(dir);
}

}  // namespace

std::string MakeRenameTree(const std::string& parent) {
  const std::string root = MakeScratchFolder(parent, "sonavex-bench");
  for (int d = 0; d < kRenameFolders; ++d) {
    const std::string folder = root + "/Folder " + std::to_string(d);
    std::filesystem::create_directory(folder);
    for (int f = 0; f < kRenameFilesPerFolder; ++f) {
      const std::string name = folder + "/Artist " + std::to_string(d) +
                               " - Title " + std::to_string(f) + ".mp3";
      const int fd = open(name.c_str(), O_CREAT | O_WRONLY, 0644);
      if (fd < 0) {
        perror(name.c_str());
        exit(1);
      }
      close(fd);
    }
  }
  return root;
}

void PlainRenameLoop(const std::string& root, const char* search,
                     const char* replacement) {
  for (const std::string& folder : SubfolderPaths(root)) {
    ReplaceInFolder(folder.c_str(), search, replacement);
  }
}

bool AllRenamedTo(const std::string& root, const char* part) {
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (entry.is_regular_file() &&
        entry.path().filename().string().find(part) == std::string::npos) {
      return false;
    }
  }
  return true;
}

}  // namespace sonavex::bench
