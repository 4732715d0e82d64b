// Renaming that never replaces an existing file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

#include "core/fs/fs.h"
#include "core/text/case.h"
#include "core/text/encoding.h"

namespace sonavex {
namespace {

std::error_code Errno(int value) { return {value, std::generic_category()}; }
std::error_code LastError() { return Errno(errno); }

bool IsValidName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find('/') == std::string::npos &&
         name.find('\0') == std::string::npos;
}

// link + unlink, for file systems that refuse the no-replace flag. The names
// are relative to dirFd, or full paths with AT_FDCWD.
std::error_code RenameByLink(int dirFd, const std::string& from,
                             const std::string& to) {
  if (linkat(dirFd, from.c_str(), dirFd, to.c_str(), 0) == 0) {
    if (unlinkat(dirFd, from.c_str(), 0) == 0) return {};
    const std::error_code ec = LastError();
    unlinkat(dirFd, to.c_str(), 0);
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
  if (fstatat(dirFd, to.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) return Errno(EEXIST);
  if (renameat(dirFd, from.c_str(), dirFd, to.c_str()) != 0) return LastError();
  return {};
}

std::error_code RenameOnce(int dirFd, const std::string& from,
                           const std::string& to) {
  if (renameat2(dirFd, from.c_str(), dirFd, to.c_str(), RENAME_NOREPLACE) == 0) {
    return {};
  }
  if (errno == EINVAL || errno == ENOSYS) return RenameByLink(dirFd, from, to);
  return LastError();
}

// Folds the letters whose case a case-insensitive file system ignores, as
// far as names in collections use them: ASCII and Latin-1 letters.
std::u32string FoldForCompare(const std::string& name) {
  std::u32string text = LowCaseUmlaut(DecodeUtf8(name));
  for (char32_t& c : text) {
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) c += 0x20;
  }
  return text;
}

bool HasExactEntry(const std::string& directory, const std::string& name) {
  std::error_code ec;
  for (const std::string& entry : ListFiles(directory, U"*", ec)) {
    if (entry == name) return true;
  }
  for (const std::string& entry : ListSubdirectories(directory, ec)) {
    if (entry == name) return true;
  }
  return false;
}

std::string TemporaryName() {
  static std::atomic<unsigned> counter{0};
  return ".sonavex-rename-" + std::to_string(getpid()) + "-" +
         std::to_string(counter++);
}

// The "existing" target is the file itself under another spelling: go
// through a temporary name, and put the old name back if the second step
// fails.
std::error_code RenameCaseOnly(int dirFd, const std::string& from,
                               const std::string& to) {
  std::string temporary = TemporaryName();
  std::error_code ec = RenameOnce(dirFd, from, temporary);
  for (int attempt = 0; ec == Errno(EEXIST) && attempt < 8; ++attempt) {
    temporary = TemporaryName();
    ec = RenameOnce(dirFd, from, temporary);
  }
  if (ec) return ec;
  ec = RenameOnce(dirFd, temporary, to);
  if (ec) RenameOnce(dirFd, temporary, from);
  return ec;
}

}  // namespace

std::error_code RenameNoReplace(const std::string& directory,
                                const std::string& oldName,
                                const std::string& newName) {
  // Both names stay inside `directory`: "../x" as either side would move a
  // file between directories.
  if (!IsValidName(oldName) || !IsValidName(newName)) return Errno(EINVAL);
  if (oldName == newName) return {};
  // Full paths rather than an opened directory: opening and closing the
  // directory for every file of a batch costs about as much as the rename.
  std::error_code ec = RenameOnce(AT_FDCWD, JoinPath(directory, oldName),
                                  JoinPath(directory, newName));
  if (ec == Errno(EEXIST) && FoldForCompare(oldName) == FoldForCompare(newName) &&
      !HasExactEntry(directory, newName)) {
    const int dirFd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) return LastError();
    ec = RenameCaseOnly(dirFd, oldName, newName);
    close(dirFd);
  }
  return ec;
}

}  // namespace sonavex
