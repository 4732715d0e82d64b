#include "core/fs/open_files.h"

#include <sys/resource.h>

#include <algorithm>
#include <utility>

namespace sonavex {

bool OpenFiles::Put(const std::string& path, FileHandle& file, std::size_t limit) {
  const std::lock_guard lock(mutex_);
  if (files_.size() >= limit && !files_.contains(path)) return false;
  files_.insert_or_assign(path, std::move(file));
  return true;
}

FileHandle OpenFiles::Take(const std::string& path) {
  const std::lock_guard lock(mutex_);
  const auto at = files_.find(path);
  if (at == files_.end()) return {};
  FileHandle file = std::move(at->second);
  files_.erase(at);
  return file;
}

void OpenFiles::CloseAll() {
  const std::lock_guard lock(mutex_);
  files_.clear();
}

namespace {
// Enough for a share's folder of albums at once; a server keeps no more
// opens of one client than a few thousand without complaint.
constexpr std::size_t kMostKeptOnShare = 4096;
// A local disk is held back only by the process's own limit.
constexpr std::size_t kMostKept = 65536;
}  // namespace

std::size_t KeptFilesLimit(bool onShare) {
  struct rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return 0;
  const std::size_t most = onShare ? kMostKeptOnShare : kMostKept;
  if (limit.rlim_cur == RLIM_INFINITY) return most;
  // Half of what the process may open stays for everything else.
  return std::min<std::size_t>(most, static_cast<std::size_t>(limit.rlim_cur / 2));
}

}  // namespace sonavex
