// Renaming that never replaces an existing file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>

#include "core/fs/fs.h"
#include "core/fs/fs_write.h"
#include "core/fs/sys_calls.h"
#include "core/text/case.h"
#include "core/text/encoding.h"

namespace sonavex {
namespace {

std::error_code Errno(int value) { return {value, std::generic_category()}; }

// link + unlink, for file systems that refuse the no-replace flag.
std::error_code RenameByLink(const std::string& from, const std::string& to) {
  if (Sys().link(from.c_str(), to.c_str()) == 0) {
    if (Sys().unlink(from.c_str()) == 0) return {};
    const std::error_code ec = LastError();
    Sys().unlink(to.c_str());
    return ec;
  }
  const int linkError = errno;
  if (linkError != EPERM && linkError != EOPNOTSUPP && linkError != ENOSYS &&
      linkError != EMLINK) {
    return Errno(linkError);
  }
  // No hard links either: check for the target (lstat also finds other
  // spellings on a case-insensitive file system), then rename.
  struct stat st{};
  if (lstat(to.c_str(), &st) == 0) return Errno(EEXIST);
  if (Sys().rename(from.c_str(), to.c_str()) != 0) return LastError();
  return {};
}

// Whether `name` is there under exactly this spelling, as any kind of
// entry (a FIFO or a dangling link takes a name too).
bool HasExactEntry(const std::string& directory, const std::string& name) {
  std::error_code ec;
  const std::vector<std::string> names = ListNames(directory, ec);
  return std::find(names.begin(), names.end(), name) != names.end();
}

// The first try of a rename: relative to `dirFd` when it is open (no
// lookup of the directory itself), otherwise by full path.
std::error_code FirstStep(int dirFd, const std::string& directory,
                          const std::string& oldName, const std::string& newName) {
  if (dirFd < 0) {
    return RenameStepNoReplace(JoinPath(directory, oldName), JoinPath(directory, newName));
  }
  if (Sys().renameat2(dirFd, oldName.c_str(), dirFd, newName.c_str(), RENAME_NOREPLACE) == 0) {
    return {};
  }
  if (errno == EINVAL || errno == ENOSYS) {
    return RenameByLink(JoinPath(directory, oldName), JoinPath(directory, newName));
  }
  return LastError();
}

std::string TemporaryName() {
  static std::atomic<unsigned> counter{0};
  return ".sonavex-rename-" + std::to_string(getpid()) + "-" +
         std::to_string(counter++);
}

}  // namespace

bool IsValidFileName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find('/') == std::string::npos &&
         name.find('\0') == std::string::npos;
}

std::error_code RenameStepNoReplace(const std::string& fromPath,
                                    const std::string& toPath) {
  if (Sys().renameat2(AT_FDCWD, fromPath.c_str(), AT_FDCWD, toPath.c_str(),
                RENAME_NOREPLACE) == 0) {
    return {};
  }
  if (errno == EINVAL || errno == ENOSYS) return RenameByLink(fromPath, toPath);
  return LastError();
}

std::error_code RenameThroughTemporary(const std::string& directory,
                                       const std::string& oldName,
                                       const std::string& newName,
                                       std::string* strandedName,
                                       const RenameStep& step,
                                       std::string_view temporaryName) {
  const std::string from = JoinPath(directory, oldName);
  std::string temporary = temporaryName.empty() ? TemporaryName() : std::string(temporaryName);
  std::error_code ec = step(from, JoinPath(directory, temporary));
  for (int attempt = 0; ec == Errno(EEXIST) && attempt < 8; ++attempt) {
    temporary = TemporaryName();
    ec = step(from, JoinPath(directory, temporary));
  }
  if (ec) return ec;
  ec = step(JoinPath(directory, temporary), JoinPath(directory, newName));
  if (ec && step(JoinPath(directory, temporary), from) && strandedName != nullptr) {
    *strandedName = temporary;
  }
  return ec;
}

namespace {

// RenameNoReplace, its first try relative to `dirFd` when that is open.
std::error_code RenameIn(int dirFd, const std::string& directory,
                         const std::string& oldName, const std::string& newName,
                         std::string* strandedName, std::string_view temporaryName = {}) {
  // Both names stay inside `directory`: "../x" as either side would move a
  // file between directories.
  if (!IsValidFileName(oldName) || !IsValidFileName(newName)) return Errno(EINVAL);
  if (oldName == newName) return {};
  const std::error_code ec = FirstStep(dirFd, directory, oldName, newName);
  // On a case-insensitive file system the "existing" target of a
  // letter-case-only change is the file itself under another spelling.
  if (ec == Errno(EEXIST) && FoldNameCase(oldName) == FoldNameCase(newName) &&
      !HasExactEntry(directory, newName)) {
    return RenameThroughTemporary(directory, oldName, newName, strandedName,
                                  RenameStepNoReplace, temporaryName);
  }
  return ec;
}

}  // namespace

std::error_code RenameNoReplace(const std::string& directory,
                                const std::string& oldName,
                                const std::string& newName,
                                std::string* strandedName) {
  // Full paths rather than an opened directory: opening and closing the
  // directory for one file costs about as much as the rename.
  return RenameIn(-1, directory, oldName, newName, strandedName);
}

std::error_code DirectoryRenamer::Rename(const std::string& directory,
                                         const std::string& oldName,
                                         const std::string& newName,
                                         std::string* strandedName,
                                         std::string_view temporaryName) {
  if (directory != directory_ || !handle_.valid()) {
    std::error_code ec;
    handle_ = FileHandle::OpenDirectory(directory, ec);
    directory_ = directory;
  }
  return RenameIn(handle_.fd(), directory, oldName, newName, strandedName, temporaryName);
}

}  // namespace sonavex
