#pragma once
// Files kept open from one step of a batch to the next one that changes
// them: the reading of a plan to the step that writes the file, or a tag
// step to the next change of the same tag. On a share every open, close
// and read of a file already read costs a round trip; a file kept open
// costs none of them. Several threads may put and take files at once.
#include <cstddef>
#include <mutex>
#include <string>
#include <unordered_map>

#include "core/fs/fs.h"

namespace sonavex {

class OpenFiles {
 public:
  // Keeps `file` under `path` unless `limit` files are kept already; false
  // then, and `file` is left as it was.
  bool Put(const std::string& path, FileHandle& file,
           std::size_t limit = static_cast<std::size_t>(-1));
  // The file kept under `path`, or an invalid handle.
  FileHandle Take(const std::string& path);
  // Closes every file no step took.
  void CloseAll();

 private:
  std::mutex mutex_;
  std::unordered_map<std::string, FileHandle> files_;
};

// How many files a batch keeps open at most: the process has its limit of
// open files, of which the reading threads, the steps in flight and the
// journal need their part. On a share (`onShare`) its server holds each
// open too, and fewer are kept.
std::size_t KeptFilesLimit(bool onShare);

}  // namespace sonavex
